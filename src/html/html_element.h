// The elements of a page's HTML element list: tags with their attributes, and runs of
// text. The page analysis walks them in document order; it tells tags from texts by
// Kind() (or AsTag()/AsText(), which answer nullptr for the other kind).
// Every element is filled once by its SetText from the raw bytes that the tokenizer cut
// and is never changed afterwards. Names are upper-cased ASCII ("a"-"z" only); every
// other byte, including both bytes of a double-byte character, is kept as it is. No
// character set is converted here: values and texts are the page's own bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// One attribute of a tag, as cut at the spaces of the tag's text.
class THTMLParam {
 public:
  // Raw := raw. Name := the part before the first "=" (all of raw when it has none),
  // upper-cased, nothing trimmed. Value := the part after the first "=", without one
  // pair of enclosing double quotes (only when longer than one byte); empty when raw
  // has no "=". Single quotes are kept.
  void SetText(std::string_view raw);

  std::string Name;
  std::string Value;
  std::string Raw;
};

class THTMLTag final : public THTMLElement {
 public:
  THTMLTag() : THTMLElement(ElementKind::kTag) {}

  // Raw := raw (everything between "<" and ">"). Name := the bytes up to the first
  // space byte (0x20), upper-cased; only 0x20 separates. The rest is cut into
  // attributes at spaces outside double quotes (a double quote flips the quote state,
  // which starts off for every attribute; single quotes do not count); one space after
  // each attribute is dropped and empty attributes are skipped. Replaces any attributes
  // the tag already had.
  void SetText(std::string_view raw);

  std::string Name;
  std::string Raw;
  std::vector<THTMLParam> Params;
};

class THTMLText final : public THTMLElement {
 public:
  THTMLText() : THTMLElement(ElementKind::kText) {}

  // Raw := raw (line ends as LF bytes). Text := raw with every LF turned into a space,
  // every run of spaces folded to one space, and character references decoded (see
  // char_refs.h).
  void SetText(std::string_view raw);

  std::string Raw;
  std::string Text;
};

inline const THTMLTag* THTMLElement::AsTag() const {
  return kind_ == ElementKind::kTag ? static_cast<const THTMLTag*>(this) : nullptr;
}

inline const THTMLText* THTMLElement::AsText() const {
  return kind_ == ElementKind::kText ? static_cast<const THTMLText*>(this) : nullptr;
}

// ASCII upper-casing: "a"-"z" become "A"-"Z", every other byte stays.
std::string UpperAscii(std::string_view bytes);

}  // namespace kasumido
