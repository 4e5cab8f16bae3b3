#include "platform/win32/wide_text.h"

#include <windows.h>

#include <string>

namespace kasumido {

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
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int count =
      WideCharToMultiByte(kShiftJisCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (count <= 0) return {};
  std::string sjis(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(kShiftJisCodePage, 0, wide.data(), size, sjis.data(), count, nullptr,
                      nullptr);
  return sjis;
}

std::wstring WidePath(std::string_view path) { return WideFromSjis(path); }

std::string PathFromWide(std::wstring_view wide) { return SjisFromWide(wide); }

std::size_t LastPathSeparator(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t at = 0; at < path.size(); ++at) {
    const unsigned char byte = static_cast<unsigned char>(path[at]);
    if (IsDBCSLeadByteEx(kShiftJisCodePage, byte)) {
      ++at;
    } else if (byte == '\\' || byte == '/' || byte == ':') {
      last = at;
    }
  }
  return last;
}

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
