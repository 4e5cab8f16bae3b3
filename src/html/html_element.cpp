#include "html/html_element.h"

#include <algorithm>
#include <cstring>

#include "html/char_refs.h"

namespace kasumido {

namespace {

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

bool HasLowerAscii(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), IsLowerAscii);
}

// Copies `bytes` upper-cased to `out`; answers the end of the copy.
char* CopyUpper(std::string_view bytes, char* out) {
  for (const char c : bytes) *out++ = IsLowerAscii(c) ? static_cast<char>(c - 'a' + 'A') : c;
  return out;
}

// Calls visit(attribute) for every non-empty attribute of `rest` (the tag text after its
// name): an attribute ends at a space outside double quotes or at the end; the quote
// state starts off for each attribute; one space after an attribute is dropped.
template <typename Visit>
void ForEachAttribute(std::string_view rest, Visit&& visit) {
  size_t pos = 0;
  while (pos < rest.size()) {
    const size_t start = pos;
    bool quoted = false;
    while (pos < rest.size() && (quoted || rest[pos] != ' ')) {
      if (rest[pos] == '"') quoted = !quoted;
      ++pos;
    }
    const std::string_view attribute = rest.substr(start, pos - start);
    if (pos < rest.size()) ++pos;  // the space that ended it
    if (!attribute.empty()) visit(attribute);
  }
}

// The upper-cased form of `name`: `name` itself when it has no lower-case letter, else a
// copy written at `cursor` (which moves past it).
std::string_view UpperView(std::string_view name, char*& cursor) {
  if (!HasLowerAscii(name)) return name;
  char* const start = cursor;
  cursor = CopyUpper(name, cursor);
  return std::string_view(start, cursor - start);
}

}  // namespace

std::string UpperAscii(std::string_view bytes) {
  std::string upper(bytes.size(), '\0');
  CopyUpper(bytes, upper.data());
  return upper;
}

std::string_view THTMLParam::NamePart(std::string_view raw) {
  return raw.substr(0, std::min(raw.find('='), raw.size()));
}

void THTMLParam::SetText(std::string_view raw, std::string_view upper_name) {
  Raw = raw;
  Name = upper_name;
  const size_t equals = raw.find('=');
  if (equals == std::string_view::npos) {
    Value = {};
    return;
  }
  Value = raw.substr(equals + 1);
  if (Value.size() > 1 && Value.front() == '"' && Value.back() == '"') {
    Value = Value.substr(1, Value.size() - 2);
  }
}

void THTMLTag::SetText(std::string_view raw) {
  const size_t name_end = std::min(raw.find(' '), raw.size());
  const std::string_view rest = raw.substr(name_end);
  // Size the owned text and the attribute list once: Raw plus the names to upper-case.
  size_t text_size = raw.size();
  if (HasLowerAscii(raw.substr(0, name_end))) text_size += name_end;
  size_t count = 0;
  ForEachAttribute(rest, [&](std::string_view attribute) {
    ++count;
    const std::string_view name = THTMLParam::NamePart(attribute);
    if (HasLowerAscii(name)) text_size += name.size();
  });
  text_.resize(text_size);
  char* const base = text_.data();
  if (!raw.empty()) std::memcpy(base, raw.data(), raw.size());
  Raw = std::string_view(base, raw.size());
  char* cursor = base + raw.size();
  Name = UpperView(Raw.substr(0, name_end), cursor);
  Params.clear();
  Params.reserve(count);
  ForEachAttribute(Raw.substr(name_end), [&](std::string_view attribute) {
    Params.emplace_back().SetText(attribute, UpperView(THTMLParam::NamePart(attribute), cursor));
  });
}

void THTMLText::SetText(std::string_view raw) {
  const size_t size = raw.size();
  if (!NeedsFolding(raw) && raw.find('&') == std::string_view::npos) {
    text_.assign(raw);
    Raw = Text = text_;
    return;
  }
  text_.resize(size * 2);
  char* const base = text_.data();
  std::memcpy(base, raw.data(), size);
  std::memcpy(base + size, raw.data(), size);
  size_t text_size = FoldSpaces(base + size, size);
  text_size = DecodeCharRefs(base + size, text_size);
  text_.resize(size + text_size);  // shrinking keeps the bytes in place
  Raw = std::string_view(base, size);
  Text = std::string_view(base + size, text_size);
}

}  // namespace kasumido
