// Strict conversions between the program's Shift_JIS text (code page 932) and Unicode
// (UTF-8, UTF-16 LE), the same on every platform. Nothing is ever best-fitted: a byte
// sequence that is not a character of its encoding, or a character that the target
// cannot hold, makes the whole conversion fail; no character ever becomes another
// ("ë" never "e", "¥" never "\", U+301C never the wave dash's code unless that code
// reads back as U+301C). Where code page 932 has two codes for one character (the NEC
// and IBM rows), reading gives that character and writing gives the code page's own code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

enum class TextEncoding {
  kShiftJis,  // code page 932
  kUtf8,      // without a byte order mark of its own; one at the start is a character
  kUtf16Le,   // two bytes a code unit, low byte first, surrogates in pairs
};

// `bytes` in `from` converted to `to`; nothing when any character does not convert.
// A byte order mark is not treated apart: a caller that reads files strips it first.
std::optional<std::string> ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to);

// `text` in `from` as Shift_JIS for showing (a status text, a line of the log that only
// a person reads): each character that code page 932 cannot hold, and each byte
// sequence that is not `from`, shows as "?"; still never as another character. Never
// for a path or a setting, which take ConvertText and its failure.
std::string ShiftJisForDisplay(std::string_view text, TextEncoding from = TextEncoding::kUtf8);

}  // namespace kasumido
