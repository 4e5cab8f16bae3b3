// Paths on Windows: "\" separators, drive letters and UNC names, GetTempPathW for the
// system's temporary folder and GetModuleFileNameW for the program itself.
#include "platform/paths.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

char PathSeparator() { return '\\'; }

bool IsAbsolutePath(std::string_view path) {
  if (IsDriveLetter(path)) return path.size() >= 3 && IsSlash(path[2]);
  return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);  // \\server\share
}

bool IsRootFolder(std::string_view path) {
  std::string_view rest = path;
  if (IsDriveLetter(rest)) rest.remove_prefix(2);
  if (rest.empty()) return IsDriveLetter(path);  // "C:"
  return rest.find_first_not_of("/\\") == std::string_view::npos;
}

std::vector<std::string> SystemTempFolders() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD size = GetTempPathW(MAX_PATH + 2, buffer);
  if (size == 0 || size > MAX_PATH + 1) return {};
  return {SjisFromWide(std::wstring_view(buffer, size))};
}

std::string ProgramFile() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (size == 0) return {};
    if (size < buffer.size()) {
      buffer.resize(size);
      return SjisFromWide(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace kasumido
