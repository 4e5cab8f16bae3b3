// Numbers read from page text, such as a price written "1,260".
#pragma once

#include <string_view>

namespace kasumido {

// The integer that `text` spells once every "," is removed: an optional "+" or "-", then
// one or more decimal digits, nothing else (no blanks, no full-width digits), within the
// 32-bit signed range. Anything else, the empty text included, gives `default_value`.
int StrToIntNoCommas(std::string_view text, int default_value);

}  // namespace kasumido
