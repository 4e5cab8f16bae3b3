// The elements of a page's HTML element list: tags with their attributes, and runs of
// text. The page analysis walks them in document order; it tells tags from texts by
// Kind() (or AsTag()/AsText(), which answer nullptr for the other kind).
// Every element is filled once by its SetText from the raw bytes that the tokenizer cut
// and is never changed afterwards. Its texts are views into the element store of the
// parser that made it: no element, and no view taken from one, outlives its parser.
// Names are upper-cased ASCII ("a"-"z" only); every other byte, including both bytes of a
// double-byte character, is kept as it is. No character set is converted here: values
// and texts are the page's own bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "html/element_store.h"

namespace kasumido {

enum class ElementKind : std::uint8_t { kTag, kText };

class THTMLTag;
class THTMLText;

class THTMLElement {
 public:
  virtual ~THTMLElement() = default;
  THTMLElement(const THTMLElement&) = delete;
  THTMLElement& operator=(const THTMLElement&) = delete;

  ElementKind Kind() const { return kind_; }
  // The element as a tag, or nullptr when it is a text (and the other way round).
  inline const THTMLTag* AsTag() const;
  inline const THTMLText* AsText() const;

 protected:
  explicit THTMLElement(ElementKind kind) : kind_(kind) {}

 private:
  ElementKind kind_;
};

// One attribute of a tag, as cut at the spaces of the tag's text. Its fields are views
// into the element store of its tag.
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

// A tag. Name, Raw, the attribute list and the attributes' fields live in the element
// store passed to SetText (the parser's own): valid as long as that store.
class THTMLTag final : public THTMLElement {
 public:
  THTMLTag() : THTMLElement(ElementKind::kTag) {}

  // Raw := raw (everything between "<" and ">"). Name := the bytes up to the first
  // space byte (0x20), upper-cased; only 0x20 separates. The rest is cut into
  // attributes at spaces outside double quotes (a double quote flips the quote state,
  // which starts off for every attribute; single quotes do not count); one space after
  // each attribute is dropped and empty attributes are skipped. Replaces what the tag
  // held before. The bytes and the attribute list are kept in `store`.
  void SetText(std::string_view raw, ElementStore& store);

  std::string_view Name;
  std::string_view Raw;
  std::span<const THTMLParam> Params;
};

// A run of text. Raw and Text live in the element store passed to SetText.
class THTMLText final : public THTMLElement {
 public:
  THTMLText() : THTMLElement(ElementKind::kText) {}

  // Raw := raw (line ends as LF bytes). Text := raw with every LF turned into a space,
  // every run of spaces folded to one space, and character references decoded (see
  // char_refs.h). Replaces what the element held before. The bytes are kept in `store`.
  void SetText(std::string_view raw, ElementStore& store);

  std::string_view Raw;
  std::string_view Text;
};

inline const THTMLTag* THTMLElement::AsTag() const {
  return kind_ == ElementKind::kTag ? static_cast<const THTMLTag*>(this) : nullptr;
}

inline const THTMLText* THTMLElement::AsText() const {
  return kind_ == ElementKind::kText ? static_cast<const THTMLText*>(this) : nullptr;
}

}  // namespace kasumido
