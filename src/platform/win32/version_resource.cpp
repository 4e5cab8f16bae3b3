// The version resource on Windows: GetFileVersionInfoW and VerQueryValueW, with the
// strings turned back into Shift_JIS for showing ("?" for what code page 932 lacks). Only the
// listed extensions name executables here, so no file is an executable image by its content alone.
#include "platform/version_resource.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace kasumido {

bool IsExecutableImage(const std::string& file_name) { return false; }

std::optional<VersionResource> VersionResource::Read(const std::string& file_name) {
  const std::wstring wide_name = WidePath(file_name);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide_name.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::string data(size, '\0');
  if (!GetFileVersionInfoW(wide_name.c_str(), 0, size, data.data())) return std::nullopt;
  return VersionResource(std::move(data));
}

std::optional<std::string> VersionResource::FirstTranslation() const {
  void* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &size) || size < 4) {
    return std::nullopt;
  }
  const WORD* pair = static_cast<const WORD*>(value);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%04X%04X", static_cast<unsigned>(pair[0]),
                static_cast<unsigned>(pair[1]));
  return std::string(digits, 8);
}

std::optional<std::string> VersionResource::Value(std::string_view path) const {
  void* value = nullptr;
  UINT size = 0;
  const std::wstring wide_path = WideFromUtf8(path);
  if (!VerQueryValueW(data_.data(), wide_path.c_str(), &value, &size) || value == nullptr) {
    return std::nullopt;
  }
  std::wstring_view text(static_cast<const wchar_t*>(value), size);
  text = text.substr(0, text.find(L'\0'));
  return SjisFromWide(text);
}

}  // namespace kasumido
