// File names built from page content (a book's title names its cover image).
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// `text` with every character that a file name on the host's platform cannot hold,
// \ / : , ; * ? " < > |, replaced by its full-width Shift_JIS stand-in (texts::
// kSafeNameStandIns, same order). Whole characters only: the trail byte of a double-byte
// character, such as the 0x5C of "ソ", is never replaced. A double-byte character is a
// lead byte and a byte of the trail range (0x40-0x7E, 0x80-0xFC); a lead byte followed by
// anything else, or ending the text, is no character: it becomes "_", and the byte after
// it is a character of its own (so the "/" of an invalid pair such as 0x81 0x2F is
// replaced too). The result therefore never holds "/", and "\" only as the trail byte of
// a double-byte character. Nothing else changes (control bytes, blanks, dots and length
// stay as they are).
std::string SafeFileName(std::string_view text);

// Whether `byte` may follow a lead byte as the second byte of a double-byte character.
constexpr bool IsTrailRangeByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

}  // namespace kasumido
