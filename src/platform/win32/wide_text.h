// The Windows back end's conversions between the program's Shift_JIS bytes and the wide
// strings of the W functions. Code page 932 is named explicitly, so the program behaves
// the same on a Japanese and a non-Japanese Windows.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

inline constexpr unsigned kShiftJisCodePage = 932;

// `sjis` as UTF-16; a byte that is not Shift_JIS becomes the code page's default.
std::wstring WideFromSjis(std::string_view sjis);
// `wide` as Shift_JIS; a character that has no Shift_JIS form becomes "?".
std::string SjisFromWide(std::wstring_view wide);
// A path of the seam as the W functions take it, and back.
std::wstring WidePath(std::string_view path);
std::string PathFromWide(std::wstring_view wide);
// The position of the last "\" or "/" of `path` that separates its parts; npos when none.
std::size_t LastPathSeparator(std::string_view path);
// The system's text for the error code `error` (GetLastError), in Shift_JIS, without the
// trailing line end; "error <n>" when the system has none.
std::string SystemErrorText(unsigned long error);

}  // namespace kasumido
