#include "platform/paths.h"

#include <filesystem>
#include <system_error>

#include "platform/environment.h"
#include "platform/text_encoding.h"

namespace kasumido {

char PathSeparator() { return '/'; }

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

bool IsRootFolder(std::string_view path) {
  return IsAbsolutePath(path) && path.find_first_not_of("/\\") == std::string_view::npos;
}

std::vector<std::string> SystemTempFolders() {
  std::vector<std::string> folders;
  if (std::optional<std::string> tmpdir = EnvironmentValue("TMPDIR")) {
    folders.push_back(std::move(*tmpdir));
  }
  folders.push_back("/tmp");
  return folders;
}

std::string ProgramFile() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !path.is_absolute()) return {};
  return path.string();
}

// Linux has no other name for a file: the path is written as it is, in Shift_JIS.
std::optional<std::string> SjisPathForHost(const std::string& path) {
  return ConvertText(path, TextEncoding::kUtf8, TextEncoding::kShiftJis);
}

}  // namespace kasumido
