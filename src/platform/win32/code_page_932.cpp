// Code page 932 on Windows: MultiByteToWideChar refusing invalid sequences, and
// WideCharToMultiByte without best fit, with the used-default flag telling of a
// character that has no code (the caller still reads every result back).
#include "platform/code_page_932.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kasumido {

std::optional<std::u16string> Utf16FromCodePage932(std::string_view sjis) {
  if (sjis.empty()) return std::u16string();
  const int size = static_cast<int>(sjis.size());
  const int count =
      MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, sjis.data(), size, nullptr, 0);
  if (count <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  if (MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, sjis.data(), size, wide.data(),
                          count) != count) {
    return std::nullopt;
  }
  return std::u16string(wide.begin(), wide.end());
}

std::optional<std::string> CodePage932FromUtf16(std::u16string_view utf16) {
  if (utf16.empty()) return std::string();
  const std::wstring wide(utf16.begin(), utf16.end());
  const int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  const int count = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                        nullptr, 0, nullptr, &used_default);
  if (count <= 0 || used_default) return std::nullopt;
  std::string sjis(static_cast<std::size_t>(count), '\0');
  if (WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, sjis.data(),
                          count, nullptr, &used_default) != count ||
      used_default) {
    return std::nullopt;
  }
  return sjis;
}

}  // namespace kasumido
