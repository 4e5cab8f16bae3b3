// Full-width to half-width folding of a book's title, author and description: full-width
// ASCII look-alikes become ASCII, and half-width katakana become full-width katakana (so
// the master file holds one width of each). Tables are built at compile time from the
// text catalogue.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// `sjis` folded, scanning from the front:
// - a double-byte character in texts::kNarrowableWide becomes the ASCII byte at the same
//   index of " ,.:;?!^/|'''\"\"\"()[]{}+-==<>\\$%#&*@"; "０"-"９", "Ａ"-"Ｚ" and "ａ"-"ｚ"
//   become "0"-"9", "A"-"Z", "a"-"z"; every other double-byte character stays, and a
//   lead byte that ends the text is copied;
// - a half-width byte 0xA1-0xDD becomes its full-width counterpart (texts::
//   kHalfWidthKanaCounterparts). Followed by "ﾞ" (0xDE), both bytes go and "ｳ", "ｶ"-"ﾄ",
//   "ﾊ"-"ﾎ" give their voiced forms "ヴ", "ガ"-"ド", "バ"-"ボ"; followed by "ﾟ" (0xDF),
//   both bytes go and "ﾊ"-"ﾎ" give "パ"-"ポ". On any other kana the mark is dropped;
// - every other byte (ASCII, 0xA0, a 0xDE or 0xDF not after a kana) is copied.
std::string ToHalfWidth(std::string_view sjis);

}  // namespace kasumido
