#include "support/scratch_dir.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace kasumido::test {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kasumido-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(std::string_view name) const { return PathText(path_ / FsPath(name)); }

std::string ScratchDir::Write(std::string_view name, std::string_view bytes) const {
  const std::filesystem::path file = path_ / FsPath(name);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return PathText(file);
}

std::string ScratchDir::Read(std::string_view name) const { return ReadFile(path_ / FsPath(name)); }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::filesystem::path FsPath(std::string_view path_text) {
  return std::filesystem::path(std::string(path_text));
}

std::string PathText(const std::filesystem::path& path) { return path.string(); }

}  // namespace kasumido::test
