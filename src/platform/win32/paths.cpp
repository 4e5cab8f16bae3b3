// Paths on Windows: "\" separators, drive letters and UNC names, GetTempPathW for the
// system's temporary folder, GetModuleFileNameW for the program itself and
// GetShortPathNameW for a name the host can open when the long one has no Shift_JIS form.
#include "platform/paths.h"

#include <windows.h>

#include <algorithm>

#include "platform/text_encoding.h"
#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// `path` without a "\\?\" prefix ("\\?\UNC\" keeps the two slashes of a UNC name).
std::string_view WithoutLongPrefix(std::string_view path) {
  if (path.starts_with("\\\\?\\UNC\\")) return path.substr(6);
  if (path.starts_with("\\\\?\\")) return path.substr(4);
  return path;
}

// The Shift_JIS form of `path` when it is one the host can open: code page 932 holds it
// and it is shorter than MAX_PATH.
std::optional<std::string> HostForm(std::string_view path) {
  std::optional<std::string> sjis =
      ConvertText(WithoutLongPrefix(path), TextEncoding::kUtf8, TextEncoding::kShiftJis);
  if (!sjis || sjis->size() >= MAX_PATH) return std::nullopt;
  return sjis;
}

// A buffer the size a call asks for: `call(buffer, size)` answers the length written, or
// the size it needs when the buffer is too small, or 0 on failure.
template <typename Call>
std::wstring GrowingBuffer(Call call) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(std::max<std::size_t>(length + 1, buffer.size() * 2));
  }
  return {};
}

}  // namespace

char PathSeparator() { return '\\'; }

bool IsAbsolutePath(std::string_view path) {
  if (IsDriveLetter(path)) return path.size() >= 3 && IsSlash(path[2]);
  return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);  // \\server\share
}

bool IsRootFolder(std::string_view path) {
  std::string_view rest = WithoutLongPrefix(path);
  const bool drive = IsDriveLetter(rest);
  if (drive) rest.remove_prefix(2);
  if (rest.empty()) return drive;  // "C:"
  return rest.find_first_not_of("/\\") == std::string_view::npos;
}

std::vector<std::string> SystemTempFolders() {
  const std::wstring folder =
      GrowingBuffer([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
  if (folder.empty()) return {};
  return {Utf8FromWide(folder)};
}

std::string ProgramFile() {
  // GetModuleFileNameW answers the buffer's size when the name is cut.
  const std::wstring file = GrowingBuffer([](wchar_t* buffer, DWORD size) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
    return length == size ? size + 1 : length;
  });
  return Utf8FromWide(file);
}

std::optional<std::string> SjisPathForHost(const std::string& path) {
  if (std::optional<std::string> sjis = HostForm(path)) return sjis;
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return std::nullopt;
  const std::wstring short_path = GrowingBuffer([&wide](wchar_t* buffer, DWORD size) {
    return GetShortPathNameW(wide.c_str(), buffer, size);
  });
  if (short_path.empty()) return std::nullopt;
  return HostForm(Utf8FromWide(short_path));
}

}  // namespace kasumido
