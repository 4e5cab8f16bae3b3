// Path text on Linux: the file system's bytes, as they are.
#include "support/scratch_dir.h"

namespace kasumido::test {

std::filesystem::path FsPath(std::string_view path_text) {
  return std::filesystem::path(std::string(path_text));
}

std::string PathText(const std::filesystem::path& path) { return path.string(); }

}  // namespace kasumido::test
