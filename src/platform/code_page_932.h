// The back end's own code page 932 tables, beneath ConvertText (platform/text_encoding.h),
// which checks every result and never calls these for anything else.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

// `sjis` as UTF-16; nothing when a byte sequence is not a character of code page 932.
std::optional<std::u16string> Utf16FromCodePage932(std::string_view sjis);
// `utf16` in code page 932; nothing when a character has no code there. The result may
// hold a one-way mapping (a code that reads back as another character); the caller
// checks by reading it back.
std::optional<std::string> CodePage932FromUtf16(std::u16string_view utf16);

}  // namespace kasumido
