// Path text on Windows: UTF-8, converted losslessly to and from the system's UTF-16.
#include <clocale>

#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

// The tests name files in path text (FsPath, PathText). A narrow string that still
// reaches std::filesystem::path or std::ofstream directly is read in the system's code
// page, and the path's conversions go through the C library's multibyte functions, so
// they are set to that code page too before any test runs.
const bool kNarrowPathsInSystemCodePage = std::setlocale(LC_CTYPE, "") != nullptr;

}  // namespace

std::filesystem::path FsPath(std::string_view path_text) {
  return std::filesystem::path(std::u8string(path_text.begin(), path_text.end()));
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kasumido::test
