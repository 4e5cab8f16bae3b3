// Test inputs in the program's encodings, written as UTF-8 literals in the tests.
#pragma once

#include <string>
#include <string_view>

namespace kasumido::test {

// UTF-8 to Shift_JIS (CP932) bytes. Fails the current test on a character with no
// Shift_JIS form.
std::string Sjis(std::string_view utf8);
// UTF-8 to EUC-JP bytes, as the publisher's pages hold them.
std::string Euc(std::string_view utf8);
// Shift_JIS (CP932) bytes back to UTF-8, for readable failure messages.
std::string Utf8FromSjis(std::string_view sjis);
// Any conversion glibc iconv knows; `ok` tells whether every byte converted.
std::string Iconv(std::string_view bytes, const char* from, const char* to, bool* ok = nullptr);

}  // namespace kasumido::test
