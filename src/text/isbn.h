// ISBN normalisation for the master file: hyphens removed, ISBN-10 turned into ISBN-13.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// The EAN-13 check digit of the first twelve characters of `text`, as one digit of text:
// with s = (sum of the digits at odd positions) + 3 x (sum at even positions), the digit
// (10 - s mod 10) mod 10. Characters after the twelfth are ignored. Empty when any of the
// twelve is not a decimal digit or the text is shorter than twelve.
std::string Ean13CheckDigit(std::string_view text);

// When `text` without its leading and trailing blanks (bytes <= 0x20) is 10 bytes long:
// "978", its first nine bytes and the EAN-13 check digit of those twelve; empty when a
// check digit cannot be computed (a non-digit among the nine). The old tenth character,
// possibly "X", is dropped. Any other length returns `text` unchanged, blanks included.
std::string Isbn10To13(std::string_view text);

// When `text` without its leading and trailing blanks is 13 or 17 bytes long (an ISBN-10
// with three hyphens, an ISBN-13 with four), `text` with every "-" removed; otherwise
// `text` unchanged.
std::string StripIsbnHyphens(std::string_view text);

}  // namespace kasumido
