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
      {"a\x83", "a\x83"},             // a lead byte that ends the text
      {"\x83|", "\x83|"},             // "|" here is a trail byte
      {"", ""},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(SafeFileName(in), out) << test::Utf8FromSjis(in);
  }
}

}  // namespace
}  // namespace kasumido
