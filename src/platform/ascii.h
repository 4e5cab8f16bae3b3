// ASCII case folding, the program's only one: host names, header names, file extensions,
// environment names and setting keys all ignore case for the letters A to Z and nothing
// else, whatever the locale. Bytes from 0x80 up (Shift_JIS lead and trail bytes) never
// change.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace kasumido
