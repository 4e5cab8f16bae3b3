#include "html/html_element.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "html/byte_scan.h"
#include "html/char_refs.h"

namespace kasumido {

namespace {

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

bool HasLowerAscii(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return IsLowerAscii(c); });
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
  const char* const begin = rest.data();
  const char* const end = begin + rest.size();
  const char* p = begin;
  while (p < end) {
    const char* const start = p;
    // Up to a space outside quotes; a quote skips to its partner (or to the end).
    for (;;) {
      p = FindEither(p, end, ' ', '"');
      if (p == end || *p == ' ') break;
      p = FindEither(p + 1, end, '"', '"');
      if (p == end) break;
      ++p;
    }
    const std::string_view attribute(start, p - start);
    if (p < end) ++p;  // the space that ended it
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

void THTMLTag::SetText(std::string_view raw, ElementStore& store) {
  const size_t name_end = std::min(raw.find(' '), raw.size());
  // Cut the attributes once, remembering up to kKeptCuts of them, and size the stored
  // bytes and the attribute list: Raw plus the names to upper-case.
  constexpr size_t kKeptCuts = 32;
  struct Cut {
    size_t offset;
    size_t size;
  };
  std::array<Cut, kKeptCuts> cuts;  // left uninitialised: only the first `count` are used
  size_t count = 0;
  size_t stored_size = raw.size();
  if (HasLowerAscii(raw.substr(0, name_end))) stored_size += name_end;
  ForEachAttribute(raw.substr(name_end), [&](std::string_view attribute) {
    if (count < kKeptCuts) cuts[count] = {size_t(attribute.data() - raw.data()), attribute.size()};
    ++count;
    const std::string_view name = THTMLParam::NamePart(attribute);
    if (HasLowerAscii(name)) stored_size += name.size();
  });

  char* const stored = stored_size == 0 ? nullptr : store.AllocateBytes(stored_size);
  if (!raw.empty()) std::memcpy(stored, raw.data(), raw.size());
  Raw = std::string_view(stored, raw.size());
  char* cursor = stored + raw.size();
  Name = UpperView(Raw.substr(0, name_end), cursor);
  const std::span<THTMLParam> params = store.AllocateParams(count);
  Params = params;
  // The same attributes, now within the stored Raw.
  auto fill = [&, index = size_t{0}](std::string_view attribute) mutable {
    params[index++].SetText(attribute, UpperView(THTMLParam::NamePart(attribute), cursor));
  };
  if (count > kKeptCuts) {
    ForEachAttribute(Raw.substr(name_end), fill);
    return;
  }
  for (size_t i = 0; i < count; ++i) fill(Raw.substr(cuts[i].offset, cuts[i].size));
}

void THTMLText::SetText(std::string_view raw, ElementStore& store) {
  const size_t size = raw.size();
  if (size == 0) {
    Raw = Text = {};
    return;
  }
  char* const stored_raw = store.AllocateBytes(size);
  std::memcpy(stored_raw, raw.data(), size);
  Raw = std::string_view(stored_raw, size);
  if (!NeedsFolding(raw) && raw.find('&') == std::string_view::npos) {
    Text = Raw;
    return;
  }
  char* const stored_text = store.AllocateBytes(size);
  std::memcpy(stored_text, raw.data(), size);
  size_t text_size = FoldSpaces(stored_text, size);
  text_size = DecodeCharRefs(stored_text, text_size);
  store.ShrinkLastBytes(stored_text, text_size);
  Text = std::string_view(stored_text, text_size);
}

}  // namespace kasumido
