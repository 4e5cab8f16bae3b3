#include "text/numbers.h"

#include <cstdint>
#include <limits>

namespace kasumido {

int StrToIntNoCommas(std::string_view text, int default_value) {
  bool negative = false;
  size_t i = 0;
  while (i < text.size() && text[i] == ',') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude may reach 2^31 for a negative number.
  const int64_t limit = int64_t{std::numeric_limits<int>::max()} + (negative ? 1 : 0);
  int64_t magnitude = 0;
  bool any_digit = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ',') continue;
    if (c < '0' || c > '9') return default_value;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return default_value;
    any_digit = true;
  }
  if (!any_digit) return default_value;
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace kasumido
