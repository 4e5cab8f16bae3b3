// Shift_JIS to UTF-8 on Windows: each character is converted on its own, so a byte that
// is not Shift_JIS becomes one U+FFFD and the conversion goes on after it.
#include "platform/utf8.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void AppendUtf8(std::wstring_view wide, std::string& out) {
  char buffer[16];
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        buffer, sizeof buffer, nullptr, nullptr);
  if (count > 0) out.append(buffer, static_cast<std::size_t>(count));
}

}  // namespace

std::string Utf8FromSjis(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  std::size_t at = 0;
  while (at < sjis.size()) {
    const unsigned char byte = static_cast<unsigned char>(sjis[at]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++at;
      continue;
    }
    const std::size_t size =
        IsDBCSLeadByteEx(kShiftJisCodePage, byte) && at + 1 < sjis.size() ? 2 : 1;
    wchar_t wide[2];
    const int count = MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, sjis.data() + at,
                                          static_cast<int>(size), wide, 2);
    if (count > 0) {
      AppendUtf8(std::wstring_view(wide, static_cast<std::size_t>(count)), out);
      at += size;
    } else {
      out += kReplacement;
      ++at;
    }
  }
  return out;
}

}  // namespace kasumido
