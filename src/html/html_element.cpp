#include "html/html_element.h"

#include <algorithm>

#include "html/char_refs.h"

namespace kasumido {

std::string UpperAscii(std::string_view bytes) {
  std::string upper(bytes);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

void THTMLParam::SetText(std::string_view raw) {
  Raw.assign(raw);
  const size_t equals = raw.find('=');
  if (equals == std::string_view::npos) {
    Name = UpperAscii(raw);
    Value.clear();
    return;
  }
  Name = UpperAscii(raw.substr(0, equals));
  std::string_view value = raw.substr(equals + 1);
  if (value.size() > 1 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  Value.assign(value);
}

namespace {

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

}  // namespace

void THTMLTag::SetText(std::string_view raw) {
  Raw.assign(raw);
  const size_t name_end = std::min(raw.find(' '), raw.size());
  Name = UpperAscii(raw.substr(0, name_end));
  const std::string_view rest = raw.substr(name_end);
  // Count first so that the list is allocated once at its final size.
  size_t count = 0;
  ForEachAttribute(rest, [&count](std::string_view) { ++count; });
  Params.clear();
  Params.reserve(count);
  ForEachAttribute(
      rest, [this](std::string_view attribute) { Params.emplace_back().SetText(attribute); });
}

void THTMLText::SetText(std::string_view raw) {
  Raw.assign(raw);
  Text.assign(raw);
  FoldSpaces(Text);
  DecodeCharRefs(Text);
}

}  // namespace kasumido
