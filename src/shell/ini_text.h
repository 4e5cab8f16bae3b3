// A settings file's bytes as the program's ini module reads and writes them. The host's
// files are Shift_JIS, but today's editors save them as UTF-8 or UTF-16 LE with a byte
// order mark, and the system's own ini functions read those too; so does this module:
//
// - A file that starts with the UTF-8 mark (EF BB BF) or the UTF-16 LE mark (FF FE) is
//   read as that encoding, line by line, into the program's Shift_JIS text; any other
//   file is Shift_JIS already and is taken byte for byte.
// - Nothing is best-fitted: a character that Shift_JIS cannot hold (or a byte sequence
//   that is no character) becomes a NUL byte in the text, which no name the program asks
//   for holds and which makes a value unreadable, never another character.
// - Writing keeps every byte of the lines that did not change (the mark included), and
//   writes changed and added lines in the file's own encoding; it refuses, rather than
//   write anything else, when a changed line cannot be written in that encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido {

enum class IniEncoding { kShiftJis, kUtf8, kUtf16Le };

class IniText {
 public:
  // An empty Shift_JIS file.
  IniText() = default;
  // Reads a file's bytes (see above); never fails.
  static IniText Decode(std::string bytes);

  IniEncoding Encoding() const { return encoding_; }
  // The file as Shift_JIS text, its line ends as they were ("\r\n" or "\n").
  const std::string& Text() const { return text_; }

  // The file's bytes for `edited`: Text() with lines changed, added or given a line end.
  // Lines equal to the file's keep their bytes; a line that only grew at its end keeps its
  // bytes and gets the new ones written after them; every other line is written in the
  // file's encoding. Nothing when a line cannot be written in it (a NUL that stands for a
  // character the text could not hold, a byte sequence that is no Shift_JIS character).
  std::optional<std::string> Encode(std::string_view edited) const;

 private:
  IniEncoding encoding_ = IniEncoding::kShiftJis;
  std::string mark_;                    // the byte order mark, as found
  std::string text_;                    // Shift_JIS
  std::vector<std::string> raw_lines_;  // each line's bytes in the file (Unicode files only)
};

}  // namespace kasumido
