#include "platform/win32/wide_text.h"

#include <windows.h>

#include <string>

#include "platform/text_encoding.h"

namespace kasumido {
namespace {

// Paths from this long on take the "\\?\" form; CreateDirectoryW's own limit is 12
// characters below MAX_PATH (room for an 8.3 name).
constexpr std::size_t kLongPath = MAX_PATH - 12;
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

std::string_view Bytes(std::wstring_view wide) {
  return {reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)};
}

std::wstring Wide(std::string_view utf16le) {
  std::wstring wide(utf16le.size() / sizeof(wchar_t), L'\0');
  utf16le.copy(reinterpret_cast<char*>(wide.data()), wide.size() * sizeof(wchar_t));
  return wide;
}

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// The "\\?\" form of an absolute `wide` path, from the system's own full path.
std::wstring LongForm(std::wstring wide) {
  if (wide.starts_with(kLongUncPrefix)) {
    wide = L"\\\\" + wide.substr(kLongUncPrefix.size());
  } else if (wide.starts_with(kLongPrefix)) {
    wide = wide.substr(kLongPrefix.size());
  }
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return wide;
  full.resize(length);
  if (full.size() >= 2 && IsSlash(full[0]) && IsSlash(full[1])) {
    if (full.size() >= 3 && (full[2] == L'?' || full[2] == L'.')) return full;  // a device
    return std::wstring(kLongUncPrefix) + full.substr(2);
  }
  return std::wstring(kLongPrefix) + full;
}

}  // namespace

std::wstring WideFromSjis(std::string_view sjis) {
  if (sjis.empty()) return {};
  const int size = static_cast<int>(sjis.size());
  const int count = MultiByteToWideChar(kShiftJisCodePage, 0, sjis.data(), size, nullptr, 0);
  if (count <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(kShiftJisCodePage, 0, sjis.data(), size, wide.data(), count);
  return wide;
}

std::string SjisFromWide(std::wstring_view wide) {
  return ShiftJisForDisplay(Bytes(wide), TextEncoding::kUtf16Le);
}

std::optional<std::string> StrictSjisFromWide(std::wstring_view wide) {
  return ConvertText(Bytes(wide), TextEncoding::kUtf16Le, TextEncoding::kShiftJis);
}

std::wstring WideFromUtf8(std::string_view utf8) {
  const std::optional<std::string> utf16 =
      ConvertText(utf8, TextEncoding::kUtf8, TextEncoding::kUtf16Le);
  return utf16 ? Wide(*utf16) : std::wstring();
}

std::string Utf8FromWide(std::wstring_view wide) {
  return ConvertText(Bytes(wide), TextEncoding::kUtf16Le, TextEncoding::kUtf8).value_or("");
}

std::wstring WidePath(std::string_view path) {
  std::wstring wide = WideFromUtf8(path);
  if (wide.size() >= kLongPath || wide.starts_with(kLongPrefix)) return LongForm(std::move(wide));
  return wide;
}

std::size_t LastPathSeparator(std::string_view path) { return path.find_last_of("\\/:"); }

std::string SystemErrorText(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text),
      0, nullptr);
  std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  if (message.empty()) return "error " + std::to_string(error);
  return SjisFromWide(message);
}

}  // namespace kasumido
