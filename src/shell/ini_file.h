// A private-profile ini file as the host writes it, read into memory. Section and key
// names match without regard to ASCII case, the first matching line in the file wins,
// values are trimmed of blanks and lose one pair of surrounding quotes (double or
// single), and lines whose first non-blank byte is ";" are comments. Lines end in CR LF
// or LF (a CR before the end of the file is dropped too). Values are Shift_JIS bytes and
// are kept byte-exact: names are compared character by character, so a double-byte
// character is never split or case-folded.
//
// The file's bytes are kept whole together with the position of every line, so that a
// writer can later change one key's line and leave every other byte of the host's file
// as it was. A missing or unreadable file (also a directory in its place) reads as an
// empty file: every lookup gives the caller's default. A file saved as UTF-8 or UTF-16 LE
// with a byte order mark is read as the system reads it, as Shift_JIS text, and written
// back in its own encoding (ini_text.h); a value holding a character that Shift_JIS
// cannot hold reads as missing, never as another character.
//
// Writing changes only the lines of the keys written: a key's line keeps its name and
// everything before the "=", a missing key is added at the end of its section and a
// missing section at the end of the file, in the file's own line ending. Every added line
// starts on a line of its own: a last line without an ending gets one, and a lone CR
// that ends the file gets its LF. The file is
// replaced atomically, so the host never reads a half-written file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "shell/ini_text.h"

namespace kasumido {

class IniFile {
 public:
  enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

  // One line of the file. Offsets count bytes from the start of the file. `length` is the
  // line's text without its ending; `ending_length` the bytes of its ending (0, 1 or 2).
  // For a section line `name_*` is the section name; for a key line `name_*` is the key
  // and `value_*` the value as it is read (trimmed, inside its quotes). `section` is the
  // index in Lines() of the section line that the line belongs to, or kNoSection before
  // the first section.
  struct Line {
    LineKind kind = LineKind::kBlank;
    std::size_t offset = 0;
    std::size_t length = 0;
    std::size_t ending_length = 0;
    std::size_t name_offset = 0;
    std::size_t name_length = 0;
    std::size_t value_offset = 0;
    std::size_t value_length = 0;
    std::size_t section = 0;
  };
  static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);

  // An empty file (no lines, not loaded from disk).
  IniFile() = default;

  // Reads the file at `path` (FromFileBytes). A missing file, a directory or any read
  // error gives an empty IniFile whose Exists() is false. The file is closed before this
  // returns.
  static IniFile Load(const std::string& path);
  // A file's bytes in whatever encoding it was saved (ini_text.h); never fails.
  static IniFile FromFileBytes(std::string bytes);
  // Cuts `bytes`, Shift_JIS text, into lines; never fails.
  static IniFile Parse(std::string bytes);

  // The value of `key` in `section`: from the first key line in the file that names the
  // key inside a section of that name. Nothing when there is no such line, or when its
  // value holds a NUL (a character the file's encoding had that Shift_JIS has not).
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // Whether a section line names `section`.
  bool HasSection(std::string_view section) const { return FindSectionLine(section) != kNoSection; }

  // Sets `key` in `section` to `value`, in memory. The key line that Value() would read is
  // given the new value after its "="; when there is none, a line "key=value" follows the
  // last key line of the first section of that name (or its section line); when there is
  // no such section, "[section]" and the key line are added at the end of the file. A
  // value with blanks at either end, or one enclosed in a pair of quotes, is written in
  // double quotes, so that it reads back unchanged. Answers false, changing nothing,
  // when a name is empty, has blanks at either end or ends in a lead byte without its
  // trail byte, any text holds CR, LF or NUL, the key holds "=" or starts with ";" or
  // "[", or the section name holds "]".
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  // The file's bytes for Bytes(), in the encoding it was read in (IniText::Encode);
  // nothing when a changed line cannot be written in it.
  std::optional<std::string> FileBytes() const { return source_.Encode(bytes_); }
  // Writes FileBytes() to `path`, replacing the file atomically (platform/files.h).
  FileWriteStatus SaveAs(const std::string& path) const;

  // True when Load found a regular file and read it.
  bool Exists() const { return exists_; }
  const std::string& Bytes() const { return bytes_; }
  const std::vector<Line>& Lines() const { return lines_; }

  // Name of a section or key line, and value of a key line, as views into Bytes().
  std::string_view NameOf(const Line& line) const;
  std::string_view ValueOf(const Line& line) const;

 private:
  explicit IniFile(std::string bytes);
  void CutLines();
  // Sets the kind, name and value of `line` from its text.
  void ClassifyLine(Line& line) const;
  // Index in lines_ of the key line that Value() reads, or of the first section line
  // named `section` (kNoSection when absent).
  std::size_t FindKeyLine(std::string_view section, std::string_view key) const;
  std::size_t FindSectionLine(std::string_view section) const;
  // The line ending the file uses (its first one), CR LF for a file without any.
  std::string_view LineEnding() const;
  // What must follow `line` before another line can be added after it: `ending` when it
  // has none, LF after a lone CR, nothing after CR LF or LF.
  std::string_view LineCompletion(const Line& line, std::string_view ending) const;
  // Replaces bytes [offset, offset + length) with `text` and cuts the lines anew.
  void Splice(std::size_t offset, std::size_t length, std::string_view text);

  std::string bytes_;  // Shift_JIS text
  std::vector<Line> lines_;
  bool exists_ = false;
  IniText source_;  // the file as read, for writing it back in its encoding
};

// True when `a` and `b` are the same name: ASCII letters compared without case, every
// other byte (and every double-byte Shift_JIS character) exactly.
bool SameIniName(std::string_view a, std::string_view b);

// One value read from the ini file at `path`: the value of `key` in `section`, or
// `default_value` when the file, the section or the key is missing. Opens and closes the
// file on every call.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view default_value);

using IniValues = std::vector<std::pair<std::string, std::string>>;

// Sets every (key, value) of `values` in `section` of the ini file at `path` (see
// IniFile::SetValue), creating the file when it is missing, and replaces the file
// atomically. Fails without writing anything when `path` exists but cannot be read as a
// regular file (a directory in its place, a path through a regular file, a read error),
// so that a file that could not be read is never replaced by one holding only these
// keys; when a name or value is refused by SetValue; or when the write fails.
FileWriteStatus WriteIniStrings(const std::string& path, std::string_view section,
                                const IniValues& values);

}  // namespace kasumido
