#include "html/html_element.h"

#include <algorithm>
#include <array>
#include <new>

#include "html/byte_scan.h"
#include "html/char_refs.h"

namespace kasumido {

namespace {

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

const ParamRecord* ParamRecords(const ElementStore& store, StoreOffset list) {
  return std::launder(reinterpret_cast<const ParamRecord*>(store.At(list) + sizeof(std::uint32_t)));
}

std::size_t ParamCount(const ElementStore& store, StoreOffset list) {
  return *std::launder(reinterpret_cast<const std::uint32_t*>(store.At(list)));
}

}  // namespace

std::string_view THTMLParam::NamePart(std::string_view raw) {
  return raw.substr(0, LengthBefore(raw, '='));
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

THTMLParam ParamList::operator[](std::size_t index) const {
  const ParamRecord& record = records_[index];
  const std::string_view raw = store_->View(record.raw, record.raw_size);
  THTMLParam param;
  param.SetText(raw, store_->View(record.name, THTMLParam::NamePart(raw).size()));
  return param;
}

ElementRecord StoreTag(ElementStore& store, StoreOffset raw_offset, std::size_t size) {
  const std::string_view raw = store.View(raw_offset, size);
  const size_t name_end = LengthBefore(raw, ' ');
  ElementRecord record{raw_offset, static_cast<std::uint32_t>(size) | ElementRecord::kTagBit,
                       store.UpperCase(raw_offset, name_end), ElementRecord::kNoParams};
  // Cut the attributes once, remembering up to kKeptCuts of them, to size the list.
  constexpr size_t kKeptCuts = 32;
  struct Cut {
    const char* data;
    size_t size;
  };
  std::array<Cut, kKeptCuts> cuts;  // left uninitialised: only the first `count` are used
  size_t count = 0;
  ForEachAttribute(raw.substr(name_end), [&](std::string_view attribute) {
    if (count < kKeptCuts) cuts[count] = {attribute.data(), attribute.size()};
    ++count;
  });
  if (count == 0) return record;
  const StoreOffset list =
      store.Allocate(sizeof(std::uint32_t) + count * sizeof(ParamRecord), alignof(ParamRecord));
  char* const bytes = store.At(list);
  new (bytes) std::uint32_t(static_cast<std::uint32_t>(count));
  auto* param = reinterpret_cast<ParamRecord*>(bytes + sizeof(std::uint32_t));
  auto fill = [&](std::string_view attribute) {
    const auto offset = static_cast<StoreOffset>(raw_offset + (attribute.data() - raw.data()));
    new (param++) ParamRecord{offset, static_cast<std::uint32_t>(attribute.size()),
                              store.UpperCase(offset, THTMLParam::NamePart(attribute).size())};
  };
  if (count > kKeptCuts) {
    ForEachAttribute(raw.substr(name_end), fill);
  } else {
    for (size_t i = 0; i < count; ++i) fill(std::string_view(cuts[i].data, cuts[i].size));
  }
  record.params_or_text_size = list;
  return record;
}

ElementRecord StoreText(ElementStore& store, StoreOffset raw_offset, std::size_t size) {
  const auto stored_size = static_cast<std::uint32_t>(size);
  ElementRecord record{raw_offset, stored_size, raw_offset, stored_size};
  const std::string_view raw = store.View(raw_offset, size);
  if (!NeedsFoldingOrDecoding(raw)) return record;
  const StoreOffset text = store.Copy(raw);
  size_t text_size = FoldSpaces(store.At(text), size);
  text_size = DecodeCharRefs(store.At(text), text_size);
  store.ShrinkLast(text, text_size);
  record.name_or_text = text;
  record.params_or_text_size = static_cast<std::uint32_t>(text_size);
  return record;
}

THTMLTag::THTMLTag(const ElementStore& store, const ElementRecord& record)
    : Raw(store.View(record.raw, record.RawSize())) {
  Name = store.View(record.name_or_text, LengthBefore(Raw, ' '));
  const StoreOffset list = record.params_or_text_size;
  if (list != ElementRecord::kNoParams) {
    Params = ParamList(&store, ParamRecords(store, list), ParamCount(store, list));
  }
}

void THTMLTag::SetText(std::string_view raw, ElementStore& store) {
  *this = THTMLTag(store, StoreTag(store, store.Copy(raw), raw.size()));
}

THTMLText::THTMLText(const ElementStore& store, const ElementRecord& record)
    : Raw(store.View(record.raw, record.RawSize())),
      Text(store.View(record.name_or_text, record.params_or_text_size)) {}

void THTMLText::SetText(std::string_view raw, ElementStore& store) {
  *this = THTMLText(store, StoreText(store, store.Copy(raw), raw.size()));
}

}  // namespace kasumido
