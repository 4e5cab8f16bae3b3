// A fresh folder below the system's temporary folder for one test, removed with the
// object. Tests that need files (run log, master file, pages) work only in here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

}  // namespace kasumido::test
