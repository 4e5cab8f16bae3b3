// File names built from page content (a book's title names its cover image).
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// `text` with every character that a file name on the host's platform cannot hold,
// \ / : , ; * ? " < > |, replaced by its full-width Shift_JIS stand-in (texts::
// kSafeNameStandIns, same order). Whole characters only: the trail byte of a double-byte
// character, such as the 0x5C of "ソ", is never replaced. Nothing else changes (control
// bytes, blanks, dots and length stay as they are).
std::string SafeFileName(std::string_view text);

}  // namespace kasumido
