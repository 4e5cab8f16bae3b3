// The Windows back end's conversions between the program's texts and the wide strings of
// the W functions. Code page 932 is named explicitly, so the program behaves the same on
// a Japanese and a non-Japanese Windows; no conversion ever best-fits a character.
//
// Paths are the seam's path text, UTF-8 here: every UTF-16 name converts to it and back
// without loss, so the program works in exactly the folder it was started from whatever
// its name and script.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

inline constexpr unsigned kShiftJisCodePage = 932;

// `sjis` as UTF-16, for showing; a byte that is not Shift_JIS becomes the code page's
// default character.
std::wstring WideFromSjis(std::string_view sjis);
// `wide` as Shift_JIS for showing: a character code page 932 cannot hold becomes "?",
// never another character.
std::string SjisFromWide(std::wstring_view wide);
// `wide` as Shift_JIS, or nothing when a character does not convert (for settings).
std::optional<std::string> StrictSjisFromWide(std::wstring_view wide);

// UTF-8 (the path text and the environment's values) as UTF-16 and back, without loss;
// empty for a text that is not UTF-8 or a wide string with a lone surrogate.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// A path as the W functions take it. A path of MAX_PATH characters or more (or one
// already in that form) is made whole by GetFullPathNameW (".", ".." and "/" resolved,
// as the system no longer does it then) and given the "\\?\" prefix that lifts the
// limit. A path that is not UTF-8 gives an empty name, which no call opens.
std::wstring WidePath(std::string_view path);
// The position of the last "\", "/" or ":" of `path` (a drive's colon ends its folder
// part too); npos when there is none.
std::size_t LastPathSeparator(std::string_view path);

// The system's text for the error code `error` (GetLastError), in Shift_JIS for showing,
// without the trailing line end; "error <n>" when the system has none.
std::string SystemErrorText(unsigned long error);

}  // namespace kasumido
