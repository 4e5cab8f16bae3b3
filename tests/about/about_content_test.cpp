#include "about/about_content.h"

#include <gtest/gtest.h>

#include <string>

#include "support/encoding.h"

namespace kasumido {
namespace {

using test::Sjis;

TEST(AboutContent, ShowsProductNameVersionAndAuthorOfTheVersionRecord) {
  VersionRecord full;
  for (std::size_t i = 0; i < kVersionFieldCount; ++i) full.fields[i] = "field" + std::to_string(i);
  full[VersionField::kProductName] = Sjis("霞堂書店プラグイン");
  full[VersionField::kFileVersion] = "1.2.3";
  full[VersionField::kAuthorLine] = Sjis("表ソ能");  // trail bytes 0x5C kept

  const struct {
    const char* what;
    VersionRecord record;
    std::string title;
    std::string version;
    std::string copy_left;
  } cases[] = {
      {"full record", full, Sjis("霞堂書店プラグイン"), Sjis("バージョン 1.2.3"),
       Sjis("作者 表ソ能")},
      {"no version information", VersionRecord{}, "", Sjis("バージョン "), Sjis("作者 ")},
  };
  for (const auto& c : cases) {
    const AboutContent content = MakeAboutContent(c.record);
    EXPECT_EQ(content.title, c.title) << c.what;
    EXPECT_EQ(content.version, c.version) << c.what;
    EXPECT_EQ(content.copy_left, c.copy_left) << c.what;
    EXPECT_EQ(content.caption, Sjis("バージョン情報"));
    EXPECT_EQ(content.link_hint, Sjis("ホームページを開く"));
  }
}

}  // namespace
}  // namespace kasumido
