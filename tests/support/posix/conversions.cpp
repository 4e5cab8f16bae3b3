// Conversions on Linux: glibc iconv, every byte that does not convert reported.
#include "support/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

namespace kasumido::test {

std::string Iconv(std::string_view bytes, const char* from, const char* to, bool* ok) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "iconv cannot convert " << from << " to " << to;
    if (ok) *ok = false;
    return {};
  }
  std::vector<char> in(bytes.begin(), bytes.end());
  std::string out;
  char* in_ptr = in.data();
  size_t in_left = in.size();
  bool converted = true;
  char buffer[4096];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    const size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out.append(buffer, out_ptr - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      converted = false;
      break;
    }
  }
  iconv_close(cd);
  if (ok) *ok = converted;
  return out;
}

}  // namespace kasumido::test
