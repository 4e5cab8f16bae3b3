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
  // Path of `name` inside the folder, as text.
  std::string File(std::string_view name) const;
  // Writes `bytes` to `name` (folders created) and answers its path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // The whole content of `name`; empty when it does not exist.
  std::string Read(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it does not exist.
std::string ReadFile(const std::filesystem::path& path);

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kasumido::test
