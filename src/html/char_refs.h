// Whitespace folding and character-reference decoding of page texts.
//
// A reference runs from "&" to the next ";" or space (a later "&" restarts it):
// - numeric, "&#" digits terminator: at most three digits, or "x"/"X" and at most two
//   hexadecimal digits, with a value of 0 to 255, become the one byte CodeToChar[value]
//   (a space terminator is consumed too). Anything else stays as written, including
//   "&#;", "&# " and values above 255.
// - named: only the exact, case-sensitive names of kEntityTable with their ";" are
//   recognised; each decodes as its row's numeric reference.
// The byte that a reference yields is never looked at again, so "&amp;lt;" gives "&lt;".
// Decoding is byte-oriented: no character set is involved.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kasumido {

struct EntityRow {
  std::string_view name;     // "&amp;"
  std::string_view numeric;  // "&#38;"
};

// The named references: "&quot;", "&amp;", "&lt;", "&gt;", then the Latin-1 names from
// "&nbsp;" (160) to "&yuml;" (255) in code order.
extern const std::array<EntityRow, 100> kEntityTable;

// The byte that a numeric reference yields, by its value: 0-31 and 160 give a space,
// every other value the byte of that value.
inline constexpr std::array<char, 256> CodeToChar = [] {
  std::array<char, 256> table{};
  for (int code = 0; code < 256; ++code) {
    table[code] = (code < 32 || code == 160) ? ' ' : static_cast<char>(code);
  }
  return table;
}();

// True when FoldSpaces or DecodeCharRefs could change `text`: it holds an LF, two spaces
// in a row or an "&".
bool NeedsFoldingOrDecoding(std::string_view text);

// In place on the `size` bytes at `text`: every LF becomes a space, then every run of
// spaces becomes one space. Other whitespace (tab, CR) is kept; leading and trailing
// single spaces stay. Answers the new size.
size_t FoldSpaces(char* text, size_t size);

// In place on the `size` bytes at `text`: decodes the character references (see above).
// Linear in the size; the text never grows. Answers the new size.
size_t DecodeCharRefs(char* text, size_t size);

}  // namespace kasumido
