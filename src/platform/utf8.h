// The program's Shift_JIS texts as UTF-8, for the terminal (the console view, the tools, the
// version text of "/c"). A byte sequence that is not Shift_JIS (code page 932) shows as
// U+FFFD and the conversion goes on after it.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

std::string Utf8FromSjis(std::string_view sjis);

}  // namespace kasumido
