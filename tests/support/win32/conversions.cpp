// Conversions on Windows: the system's code pages (65001 UTF-8, 932 Shift_JIS,
// 20932 EUC-JP) through UTF-16, with every invalid byte reported.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "support/encoding.h"

namespace kasumido::test {
namespace {

unsigned CodePage(std::string_view name) {
  if (name == "UTF-8") return CP_UTF8;
  if (name == "CP932" || name == "SHIFT_JIS") return 932;
  if (name == "EUC-JP") return 20932;
  return 0;
}

// Characters that the Linux suites' CP932 and EUC-JP converters take in both forms and the
// system's code pages in one only: each is tried in the other form when its own is lost.
constexpr std::pair<wchar_t, wchar_t> kTwinForms[] = {
    {0x301C, 0xFF5E},  // wave dash, fullwidth tilde
    {0x2212, 0xFF0D},  // minus sign, fullwidth hyphen-minus
    {0x2016, 0x2225},  // double vertical line, parallel to
    {0x2014, 0x2015},  // em dash, horizontal bar
    {0x00A2, 0xFFE0},  // cent sign
    {0x00A3, 0xFFE1},  // pound sign
    {0x00AC, 0xFFE2},  // not sign
};

// `wide` in `code_page`; `lost` tells whether a character had no form there.
std::string FromWide(std::wstring_view wide, unsigned code_page, bool& lost) {
  BOOL used_default = FALSE;
  BOOL* lost_flag = code_page == CP_UTF8 ? nullptr : &used_default;
  const int size = static_cast<int>(wide.size());
  const int out_size =
      WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, lost_flag);
  std::string out(static_cast<std::size_t>(std::max(out_size, 0)), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, out.data(), out_size, nullptr, lost_flag);
  lost = out_size <= 0 || used_default;
  return out;
}

// Like FromWide, one character at a time, each lost one tried in its twin form.
std::string FromWideWithTwins(std::wstring_view wide, unsigned code_page, bool& lost) {
  std::string out;
  lost = false;
  for (const wchar_t c : wide) {
    bool this_lost = false;
    std::string bytes = FromWide(std::wstring_view(&c, 1), code_page, this_lost);
    for (const auto& [a, b] : kTwinForms) {
      if (!this_lost || (c != a && c != b)) continue;
      const wchar_t twin = c == a ? b : a;
      bytes = FromWide(std::wstring_view(&twin, 1), code_page, this_lost);
    }
    lost = lost || this_lost;
    out += bytes;
  }
  return out;
}

// Flags that make a conversion fail on an invalid byte, where the code page allows them.
DWORD StrictFlags(unsigned code_page) {
  return code_page == CP_UTF8 || code_page == 932 ? MB_ERR_INVALID_CHARS : 0;
}

}  // namespace

std::string Iconv(std::string_view bytes, const char* from, const char* to, bool* ok) {
  const unsigned from_page = CodePage(from);
  const unsigned to_page = CodePage(to);
  if (from_page == 0 || to_page == 0) {
    ADD_FAILURE() << "no code page converts " << from << " to " << to;
    if (ok) *ok = false;
    return {};
  }
  if (ok) *ok = true;
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int wide_size =
      MultiByteToWideChar(from_page, StrictFlags(from_page), bytes.data(), size, nullptr, 0);
  if (wide_size <= 0) {
    if (ok) *ok = false;
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(from_page, StrictFlags(from_page), bytes.data(), size, wide.data(),
                      wide_size);
  bool lost = false;
  std::string out = FromWide(wide, to_page, lost);
  if (lost) out = FromWideWithTwins(wide, to_page, lost);
  if (ok && lost) *ok = false;
  return out;
}

}  // namespace kasumido::test
