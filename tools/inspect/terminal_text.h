// Page bytes made readable on a UTF-8 terminal, the way the program itself reads them:
// EUC-JP converted to Shift_JIS with the program's own EucToSjis, then Shift_JIS (code
// page 932) to UTF-8. Bytes that do not convert show as U+FFFD; control bytes are escaped
// ("\t", "\r", "\xNN") so that one value stays on one line.
#pragma once

#include <string>
#include <string_view>

namespace kasumido::inspect {

// kasumido::Utf8FromSjis, then the escapes above: for texts the program already holds as Shift_JIS.
std::string PrintableSjis(std::string_view sjis);

// EucToSjis, then Utf8FromSjis, then the escapes above.
std::string Printable(std::string_view euc);

// Printable, with backslash and double quote escaped too, between double quotes.
std::string Quoted(std::string_view euc);

}  // namespace kasumido::inspect
