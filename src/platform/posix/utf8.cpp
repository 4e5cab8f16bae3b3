#include "platform/utf8.h"

#include <errno.h>
#include <iconv.h>

namespace kasumido {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string Convert(std::string_view in) {
    std::string out;
    char buffer[1024];
    char* from = const_cast<char*>(in.data());
    size_t from_left = in.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (from_left > 0) {
      char* to = buffer;
      size_t to_left = sizeof buffer;
      const size_t result = iconv(cd_, &from, &from_left, &to, &to_left);
      out.append(buffer, static_cast<size_t>(to - buffer));
      if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
      // An invalid or incomplete sequence: one replacement character, skip one byte.
      out += kReplacement;
      ++from;
      --from_left;
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string Utf8FromSjis(std::string_view sjis) {
  static Converter converter;
  if (!converter.Valid()) return std::string(sjis);
  return converter.Convert(sjis);
}

}  // namespace kasumido
