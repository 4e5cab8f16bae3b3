// The elements of a page's HTML element list: tags with their attributes, and runs of
// text. The page analysis walks them in document order and tells tags from texts by
// Kind() or by AsTag()/AsText(), which answer nothing for the other kind.
//
// The list keeps each element as a small record in its parser's element store
// (element_store.h); THTMLElement, THTMLTag, THTMLText and THTMLParam are values made
// from a record when asked for, whose texts are views into that store. Every element is
// filled once by SetText from the raw bytes that the tokenizer cut and never changes
// afterwards. No element, and no view taken from one, outlives the parser (or the store)
// that made it. Names are upper-cased ASCII ("a"-"z" only); every other byte, including
// both bytes of a double-byte character, is kept as it is. No character set is
// converted here: values and texts are the page's own bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

#include "html/element_store.h"
#include "html/index_iterator.h"

namespace kasumido {

enum class ElementKind : std::uint8_t { kTag, kText };

// One attribute of a tag, as cut at the spaces of the tag's text.
class THTMLParam {
 public:
  // The name part of an attribute: the bytes before its first "=", or all of it.
  static std::string_view NamePart(std::string_view raw);

  // Raw := raw. Name := upper_name. Value := the part after the first "=", without one
  // pair of enclosing double quotes (only when longer than one byte); empty when raw has
  // no "=". Single quotes are kept; nothing is trimmed.
  // REQUIRES: upper_name holds NamePart(raw) upper-cased; both outlive the param.
  void SetText(std::string_view raw, std::string_view upper_name);

  std::string_view Name;
  std::string_view Value;
  std::string_view Raw;
};

// How the store keeps an attribute: where its bytes and its upper-cased name are.
struct ParamRecord {
  StoreOffset raw;
  std::uint32_t raw_size;
  StoreOffset name;  // NamePart(raw) upper-cased, as long as NamePart(raw)
};

// The attributes of one tag in the order written: a range of THTMLParam values.
class ParamList {
 public:
  using Iterator = IndexIterator<ParamList, THTMLParam>;

  ParamList() = default;
  ParamList(const ElementStore* store, const ParamRecord* records, std::size_t count)
      : store_(store), records_(records), count_(count) {}

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // REQUIRES: index < size().
  THTMLParam operator[](std::size_t index) const;
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, count_); }

 private:
  const ElementStore* store_ = nullptr;
  const ParamRecord* records_ = nullptr;
  std::size_t count_ = 0;
};

// How the store keeps an element: 16 bytes, whatever its kind.
// A tag: its Raw, its upper-cased name (as long as the name part of Raw) and its
// attribute list (a count, then that many ParamRecords; kNoParams when it has none).
// A text: its Raw and its Text.
struct ElementRecord {
  static constexpr std::uint32_t kTagBit = std::uint32_t{1} << 31;
  static constexpr StoreOffset kNoParams = ~StoreOffset{0};

  ElementKind Kind() const {
    return (raw_size & kTagBit) != 0 ? ElementKind::kTag : ElementKind::kText;
  }
  std::uint32_t RawSize() const { return raw_size & ~kTagBit; }

  StoreOffset raw;
  std::uint32_t raw_size;  // with kTagBit for a tag
  StoreOffset name_or_text;
  std::uint32_t params_or_text_size;
};

// Builds the records of elements from raw bytes already in the store.
// Tag: Name := the bytes of raw up to the first space byte (0x20), upper-cased; only
// 0x20 separates. The rest is cut into attributes at spaces outside double quotes (a
// double quote flips the quote state, which starts off for every attribute; single
// quotes do not count); one space after each attribute is dropped and empty attributes
// are skipped.
// Text: Text := raw with every LF turned into a space, every run of spaces folded to one
// space, and character references decoded (see char_refs.h).
ElementRecord StoreTag(ElementStore& store, StoreOffset raw, std::size_t size);
ElementRecord StoreText(ElementStore& store, StoreOffset raw, std::size_t size);

// A tag, as read from its record.
class THTMLTag {
 public:
  THTMLTag() = default;
  THTMLTag(const ElementStore& store, const ElementRecord& record);

  // Fills the tag from `raw` (everything between "<" and ">"), as StoreTag does, keeping
  // its bytes and attribute list in `store`. Replaces what the tag held before.
  void SetText(std::string_view raw, ElementStore& store);

  std::string_view Name;
  std::string_view Raw;
  ParamList Params;
};

// A run of text, as read from its record.
class THTMLText {
 public:
  THTMLText() = default;
  THTMLText(const ElementStore& store, const ElementRecord& record);

  // Fills the text from `raw` (line ends as LF bytes), as StoreText does, keeping its
  // bytes in `store`. Replaces what the text held before.
  void SetText(std::string_view raw, ElementStore& store);

  std::string_view Raw;
  std::string_view Text;
};

// One element of the list: a tag or a text.
class THTMLElement {
 public:
  THTMLElement(const ElementStore& store, const ElementRecord& record)
      : store_(&store), record_(record) {}

  ElementKind Kind() const { return record_.Kind(); }
  // The element as a tag, or nothing when it is a text (and the other way round).
  std::optional<THTMLTag> AsTag() const {
    if (Kind() != ElementKind::kTag) return std::nullopt;
    return THTMLTag(*store_, record_);
  }
  std::optional<THTMLText> AsText() const {
    if (Kind() != ElementKind::kText) return std::nullopt;
    return THTMLText(*store_, record_);
  }

 private:
  const ElementStore* store_;
  ElementRecord record_;
};

}  // namespace kasumido
