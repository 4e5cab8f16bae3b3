// Replacing a whole file so that a reader sees either the old bytes or the new ones,
// never a mix and never a truncated file: the new bytes go to a temporary file in the
// same folder, are flushed to the disk, and the temporary file is renamed over the old
// one. A failure at any step leaves the old file as it was and removes the temporary.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kasumido {

// The outcome of writing a file: ok, or the file and the system's error text.
struct [[nodiscard]] FileWriteStatus {
  bool ok = true;
  std::string path;
  std::string error;

  explicit operator bool() const { return ok; }
  static FileWriteStatus Failed(const std::filesystem::path& path, std::string error);
};

// Makes `bytes` the content of the file at `path`, creating it when missing. An existing
// file keeps its permission bits; a new one gets 0666 less the umask. When `path` is a
// symbolic link the file it points to is replaced, not the link. Fails (the old file and
// the folder as they were) when the folder cannot take a new file, when `path` names a
// directory or when a write, the flush or the rename fails.
FileWriteStatus ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kasumido
