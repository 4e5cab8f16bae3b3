// The publisher's pages are EUC-JP; the program keeps Shift_JIS. The conversion works on
// code arithmetic, not tables of characters, so every JIS X 0208 position converts, assigned
// or not, and it accepts any byte sequence: malformed input gives defined bytes, never an
// error. It runs over every text of every page, so it is one pass over the bytes into a
// string sized once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kasumido {

// The Shift_JIS code of the JIS X 0208 code `jis` (row byte high, cell byte low, both
// 0x21-0x7E): lead = (row + 1) / 2 + 0x70 for rows up to 0x5E, + 0xB0 above; trail =
// cell + 0x1F (odd row, cell <= 0x5F), cell + 0x20 (odd row, cell > 0x5F), cell + 0x7E
// (even row). Other inputs follow the same arithmetic, each byte modulo 256.
constexpr uint16_t JisToSjis(uint16_t jis) {
  const unsigned row = jis >> 8;
  const unsigned cell = jis & 0xFF;
  const unsigned lead = ((row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0)) & 0xFF;
  unsigned trail;
  if (row % 2 == 0) {
    trail = cell + 0x7E;
  } else {
    trail = cell + (cell <= 0x5F ? 0x1F : 0x20);
  }
  return static_cast<uint16_t>(lead << 8 | (trail & 0xFF));
}

// EUC-JP to Shift_JIS, front to back; a lone last byte is read as if followed by 0x40:
// - a byte below 0x80 is copied;
// - 0x8E and the byte after it give that byte alone (a half-width katakana);
// - a first byte 0xA1-0xFE and any second byte give JisToSjis of the pair with both top
//   bits cleared;
// - any other pair (0x80-0xA0 except 0x8E, 0xFF; e.g. the 0x8F that opens a three-byte
//   JIS X 0212 character) is dropped, so of a three-byte character only its last byte
//   remains to be read on.
std::string EucToSjis(std::string_view euc);

}  // namespace kasumido
