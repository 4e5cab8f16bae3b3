// A fresh folder below the system's temporary folder for one test, removed with the
// object. Tests that need files (run log, master file, pages) work only in here.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido::test {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Path of `name` (UTF-8) inside the folder, as path text.
  std::string File(std::string_view name) const;
  // Writes `bytes` to `name` (folders created) and answers its path text.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // The whole content of `name`; empty when it does not exist.
  std::string Read(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it does not exist.
std::string ReadFile(const std::filesystem::path& path);

// Path text (the seam's paths: UTF-8 on Windows, the file system's bytes on Linux) as a
// std::filesystem path, and back. Tests name files through these, never through the
// system's narrow code page.
std::filesystem::path FsPath(std::string_view path_text);
std::string PathText(const std::filesystem::path& path);

// Every file and folder below `folder` with its content ("a/b=bytes", "a/" for a
// folder), sorted: two snapshots are equal when nothing below was added, removed or
// changed. Empty for a missing folder.
inline std::vector<std::string> TreeSnapshot(const std::filesystem::path& folder) {
  std::vector<std::string> entries;
  std::error_code missing;
  for (std::filesystem::recursive_directory_iterator it(folder, missing), end; it != end; ++it) {
    const std::string name = PathText(it->path().lexically_relative(folder));
    entries.push_back(it->is_directory() ? name + "/" : name + "=" + ReadFile(it->path()));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(PathText(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kasumido::test
