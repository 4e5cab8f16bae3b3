// Code page 932 on Linux: glibc's iconv "CP932", which stops at the first sequence it
// cannot convert. A fresh converter per call, so no state is shared.
#include "platform/code_page_932.h"

#include <errno.h>
#include <iconv.h>

#include <vector>

namespace kasumido {
namespace {

// `in` converted from `from` to `to`; nothing when any byte sequence does not convert.
std::optional<std::string> Iconv(std::string_view in, const char* from, const char* to) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::vector<char> source(in.begin(), in.end());
  char* from_at = source.data();
  size_t from_left = source.size();
  std::string out;
  char buffer[4096];
  bool converted = true;
  while (converted && from_left > 0) {
    char* to_at = buffer;
    size_t to_left = sizeof buffer;
    const size_t result = iconv(cd, &from_at, &from_left, &to_at, &to_left);
    out.append(buffer, static_cast<size_t>(to_at - buffer));
    converted = result != static_cast<size_t>(-1) || errno == E2BIG;
  }
  iconv_close(cd);
  if (!converted) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::u16string> Utf16FromCodePage932(std::string_view sjis) {
  const std::optional<std::string> bytes = Iconv(sjis, "CP932", "UTF-16LE");
  if (!bytes) return std::nullopt;
  std::u16string utf16(bytes->size() / 2, u'\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    utf16[i] = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[2 * i]) |
                                     static_cast<unsigned char>((*bytes)[2 * i + 1]) << 8);
  }
  return utf16;
}

std::optional<std::string> CodePage932FromUtf16(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  for (const char16_t unit : utf16) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return Iconv(bytes, "UTF-16LE", "CP932");
}

}  // namespace kasumido
