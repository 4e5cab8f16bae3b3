#include "support/encoding.h"

#include <gtest/gtest.h>

namespace kasumido::test {
namespace {

std::string Convert(std::string_view bytes, const char* from, const char* to) {
  bool ok = false;
  std::string out = Iconv(bytes, from, to, &ok);
  if (!ok) ADD_FAILURE() << "cannot convert \"" << bytes << "\" from " << from << " to " << to;
  return out;
}

}  // namespace

std::string Sjis(std::string_view utf8) { return Convert(utf8, "UTF-8", "CP932"); }
std::string Euc(std::string_view utf8) { return Convert(utf8, "UTF-8", "EUC-JP"); }
std::string Utf8FromSjis(std::string_view sjis) { return Convert(sjis, "CP932", "UTF-8"); }

}  // namespace kasumido::test
