// The system proxy on Windows: the current user's Internet Settings in the registry,
// "ProxyEnable" (only its low byte counts) and "ProxyServer", a server list.
#include "platform/system_proxy.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

constexpr wchar_t kInternetSettings[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The low byte of a DWORD or binary "ProxyEnable"; 0 when missing.
bool ReadEnabled(HKEY key) {
  BYTE data[8] = {};
  DWORD type = 0;
  DWORD size = sizeof data;
  if (RegQueryValueExW(key, L"ProxyEnable", nullptr, &type, data, &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_DWORD && type != REG_BINARY) return false;
  return size > 0 && data[0] != 0;
}

std::string ReadServer(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, L"ProxyServer", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, L"ProxyServer", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(value.find(L'\0') == std::wstring::npos ? size / sizeof(wchar_t)
                                                       : value.find(L'\0'));
  // A setting: a text that code page 932 cannot hold whole reads as no server at all.
  return StrictSjisFromWide(value).value_or("");
}

}  // namespace

SystemProxySource ReadSystemProxySource() {
  SystemProxySource source;
  source.form = SystemProxyForm::kServerText;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return source;
  }
  source.enabled = ReadEnabled(key);
  source.text = ReadServer(key);
  RegCloseKey(key);
  return source;
}

}  // namespace kasumido
