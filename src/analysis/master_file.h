// The host's master file, held open for the analysis of one detail page. Opening appends
// to the file when it exists and creates it empty when it does not; the file is closed
// when the object goes, on every path. Each line is handed to the system in one write at
// the end of the file (appending), so a line from this program is never interleaved with
// another writer's and a killed run leaves no half line behind it.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/files.h"

namespace kasumido {

// The master file could not be opened or a line could not be written; what() names the
// file and the system's reason, Reason() is the reason alone.
class MasterFileError : public std::runtime_error {
 public:
  MasterFileError(const std::string& what, std::string reason)
      : std::runtime_error(what), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

class MasterFile {
 public:
  // Opens `path` for appending, creating it (empty) when missing.
  // Throws MasterFileError when the file can be neither opened nor created (a folder in
  // its place, a missing folder, no permission).
  explicit MasterFile(const std::string& path);
  MasterFile(const MasterFile&) = delete;
  MasterFile& operator=(const MasterFile&) = delete;

  // Appends `line` (which carries its own line end) at the end of the file.
  // Throws MasterFileError when the system takes none or only part of it.
  void AppendLine(std::string_view line);

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<OutputFile> file_;
};

}  // namespace kasumido
