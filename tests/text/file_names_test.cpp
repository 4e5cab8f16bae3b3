#include "text/file_names.h"

#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

using test::Sjis;

TEST(SafeFileName, ReplacesEachForbiddenCharacterByItsStandIn) {
  const std::pair<std::string, const char*> cases[] = {
      {"\\", "￥"}, {"/", "／"}, {":", "："}, {",", "，"}, {";", "；"}, {"*", "＊"},
      {"?", "？"},  {"\"", "”"}, {"<", "＜"}, {">", "＞"}, {"|", "｜"},
  };
  for (const auto& [unsafe, stand_in] : cases) {
    EXPECT_EQ(SafeFileName("a" + unsafe + "b" + unsafe),
              Sjis(std::string("a") + stand_in + "b" + stand_in))
        << unsafe;
  }
}

TEST(SafeFileName, LeavesDoubleByteCharactersAndEverythingElseAlone) {
  const std::pair<std::string, std::string> cases[] = {
      {Sjis("ソフト表"), Sjis("ソフト表")},  // trail bytes 0x5C
      {Sjis("表\\ソ/"), Sjis("表￥ソ／")},
      {Sjis("ソ") + "\\\\", Sjis("ソ￥￥")},
      {Sjis("魔法少女?ソ*"), Sjis("魔法少女？ソ＊")},
      {" .con\x01\t. ", " .con\x01\t. "},
      {Sjis("ｱ|ﾎﾟ"), Sjis("ｱ｜ﾎﾟ")},  // half-width kana are single bytes
      {"\x83|", "\x83|"},             // "|" here is a trail byte
      {"", ""},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(SafeFileName(in), out) << test::Utf8FromSjis(in);
  }
}

// A lead byte is a character only together with a byte of the trail range (0x40-0x7E,
// 0x80-0xFC); any other lead byte becomes "_" and the byte after it is read on its own.
TEST(SafeFileName, NeverLetsALeadByteHideASeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x81/", "_" + Sjis("／")},  // EUC-JP A1 90 as Shift_JIS
      {"a\x81\\b", "a\x81\\b"},     // 0x5C is the trail byte of a real character
      {"\x9F\x3Ax\xE0\x1Fy", "_" + Sjis("：") + "x_\x1Fy"},
      {"\xFC\x7F\xFC\xFD", "_\x7F_\xFD"},
      {"a\x83", "a_"},  // a lead byte that ends the text
  };
  for (const auto& [in, out] : cases) {
    const std::string safe = SafeFileName(in);
    EXPECT_EQ(safe, out) << testing::PrintToString(in);
    EXPECT_EQ(safe.find('/'), std::string::npos);
  }
}

}  // namespace
}  // namespace kasumido
