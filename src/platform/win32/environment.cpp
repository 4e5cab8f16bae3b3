// The environment on Windows: GetEnvironmentVariableW already ignores the case of names;
// the exact-name-first rule of the seam holds because Windows keeps one variable per name.
// Values are path text (UTF-8), so a folder of any name and script reads as it is.
#include "platform/environment.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kasumido {

std::optional<std::string> EnvironmentValue(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
  const std::wstring wide_name = WideFromUtf8(name);
  if (wide_name.empty()) return std::nullopt;
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) {
    // An empty value is set all the same; only ERROR_ENVVAR_NOT_FOUND means unset.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(size);
  return Utf8FromWide(value);
}

}  // namespace kasumido
