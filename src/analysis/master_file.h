// The host's master file, held open for the analysis of one detail page. Opening appends
// to the file when it exists and creates it empty when it does not; the file is closed
// when the object goes, on every path. Each line is handed to the system in one write at
// the end of the file (appending), so a line from this program is never interleaved with
// another writer's and a killed run leaves no half line behind it.
//
// No record is ever cut or glued to another: a line starts a record of its own (when the
// file's last record has no line end, the write brings one first), and an append that
// fails (a full disk, an I/O error) is cut back, so the file is left exactly as it was.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/files.h"

namespace kasumido {

// The master file could not be opened or a line could not be written; what() names the
// file (in Shift_JIS for showing) and the system's reason, Reason() is the reason alone.
class MasterFileError : public std::runtime_error {
 public:
  MasterFileError(const std::string& what, std::string reason)
      : std::runtime_error(what), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// What a line appended after `tail`, the last bytes of a non-empty file, needs before it
// to start a record of its own: nothing after CR LF or a bare LF (both end a record for
// the host's reader; CR LF after a bare LF would add an empty record), LF after a lone
// CR, CR LF after anything else.
std::string_view LineStartAfter(std::string_view tail);

class MasterFile {
 public:
  // Opens `path` for appending, creating it (empty) when missing.
  // Throws MasterFileError when the file can be neither opened nor created (a folder in
  // its place, a missing folder, no permission).
  explicit MasterFile(const std::string& path);
  MasterFile(const MasterFile&) = delete;
  MasterFile& operator=(const MasterFile&) = delete;

  // Appends `line` (which carries its own line end) at the end of the file, after the
  // line end that the file's last record lacks (LineStartAfter).
  // Throws MasterFileError when the system takes none or only part of it (the file then
  // cut back to its size before the write), or when the file's end cannot be read.
  void AppendLine(std::string_view line);

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<OutputFile> file_;
};

}  // namespace kasumido
