// The rules of the detail page walk, each seen in the exact master-file line that a page
// yields. Every case changes one part of a standard page (detail_page.h).
#include <optional>
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "analysis/detail_analysis.h"
#include "detail_page.h"
#include "fake_run_access.h"
#include "support/encoding.h"

namespace kasumido {
namespace {

using test::DetailPage;
using test::ExpectedLine;
using test::FakeRunAccess;

struct Case {
  const char* name;
  DetailPage page;
  std::optional<ExpectedLine> want;  // nullopt: no line written
};

// The master file after `page` alone has been analysed.
std::string Analyze(const DetailPage& page, FakeRunAccess& run, int category_code = 193) {
  run.Scratch().Write("temp/GetKasumido2.html", page.Euc());
  AnalyzeDetailPage(std::string(test::kTestFolderUrl), std::string(test::kTestLink), category_code,
                    run);
  return run.Master();
}

void ExpectLines(std::span<const Case> cases) {
  for (const Case& c : cases) {
    FakeRunAccess run;
    const std::string got = Analyze(c.page, run);
    const std::string want = c.want ? c.want->Sjis() : std::string();
    EXPECT_EQ(got, want) << c.name << "\n got: " << test::Utf8FromSjis(got)
                         << "\nwant: " << (c.want ? c.want->Utf8() : "(nothing)");
  }
}

constexpr const char* kRule = "<img src=\"/image/ma_line2-330.gif\">\n";

TEST(DetailRules, StandardPageGivesItsLineByteForByte) {
  FakeRunAccess run;
  const std::string line =
      "\"9784891234560\",\"星の海の図書館\",\"\",\"霞 ゆかり\",\"\",\"霞堂ランナー文庫\","
      "\"霞堂書店\",1650,193,0,0,20261225,256,\"文庫判\",\" 港町の古い図書館。\","
      "\"http://127.0.0.1:8080/bunko/detail/bk_detail.php?pcd=3001\",\"\"\r\n";
  EXPECT_EQ(Analyze(DetailPage{}, run), test::Sjis(line));
  EXPECT_EQ(run.titles, std::vector<std::string>{test::Sjis("星の海の図書館")});
}

TEST(DetailRules, TitleBlockOpensAtMarkerAndRuleLinesSwitchToAuthors) {
  const std::string kImage = "<img src=\"/image/ma_sb-bunko16.gif\" ";
  const Case cases[] = {
      {"no opening comment, ALT in double quotes",
       {.opening = "", .series = kImage + "alt=\"シリーズ\">"},
       {}},
      {"comment without a blank before *MAIN",
       {.opening = "<!--*MAIN -->", .series = kImage + ">"},
       {}},
      {"marker in lower case",
       {.opening = "<!-- *main -->", .series = kImage + ">"},
       ExpectedLine{}},
      {"series ALT alone opens the block", {.opening = ""}, ExpectedLine{}},
      {"title in two texts",
       {.title = std::string(kRule) + "<b>星の海の</b><i>図書館</i>" + kRule},
       ExpectedLine{.title = "星の海の", .description = "図書館 港町の古い図書館。"}},
      {"third rule line turns texts back into title texts",
       {.title = std::string(kRule) + "題名" + kRule + "著者甲" + kRule + "副題"},
       ExpectedLine{.title = "題名",
                    .author = "著者甲/霞 ゆかり",
                    .description = "副題 港町の古い図書館。"}},
      {"a rule line before the block counts too: the title is read as an author",
       {.before = kRule},
       {}},
      {"full-width parentheses in the title",
       {.title = std::string(kRule) + "星屑の航海士（上）" + kRule},
       ExpectedLine{.title = "星屑の航海士 上"}},
      {"double quotes in the title stay unescaped",
       {.title = std::string(kRule) + "引用&quot;符&quot;の森" + kRule},
       ExpectedLine{.title = "引用\"符\"の森"}},
  };
  ExpectLines(cases);
}

TEST(DetailRules, AuthorLinesAreJoinedUntilTheContentsHeading) {
  const Case cases[] = {
      {"colon joins directly, other lines after a slash",
       {.authors = "[ 著 ]<br>霞 ゆかり<br>イラスト：星野<br>監修 月島<br>"},
       ExpectedLine{.author = "霞 ゆかりイラスト:星野/監修 月島"}},
      {"author lines after the contents heading are not added",
       {.contents = "[ 内容 ]<br>港町の古い図書館。<br>[ 著 ]<br>追加 著者<br>"
                    "<img src=\"/image/spacer.gif\">"},
       ExpectedLine{}},
      {"an empty author is still filled after the contents heading",
       {.authors = "", .contents = "[ 内容 ]<br>港町の古い図書館。<br>[ 著 ]<br>霞 ゆかり<br>"},
       ExpectedLine{}},
      {"texts after the second rule line are author lines",
       {.title = std::string(kRule) + "星の海の図書館" + kRule + "霞 ゆかり", .authors = ""},
       ExpectedLine{}},
  };
  ExpectLines(cases);
}

TEST(DetailRules, DescriptionCollectsContentsUntilTheSpacer) {
  const Case cases[] = {
      {"two lines: joined by a space, no leading space",
       {.contents = "[ 内容 ]<br>一行目。<br>二行目。<br><img src=\"/image/spacer.gif\">"},
       ExpectedLine{.description = "一行目。 二行目。"}},
      {"a text after the spacer is data, not description",
       {.contents = "[ 内容 ]<br>一行目。<br><img src=\"/image/spacer.gif\">おまけ<br>"},
       ExpectedLine{.description = " 一行目。"}},
      {"the apology notice opens the description and is kept",
       {.contents = "※申し訳ございません、品切れです。<br>"},
       ExpectedLine{.description = " ※申し訳ございません、品切れです。"}},
      {"a repeated heading is not added",
       {.contents = "[ 内容 ]<br>一行目。<br>[ 内容 ]<br><img src=\"/image/spacer.gif\">"},
       ExpectedLine{.description = " 一行目。"}},
      {"full-width letters narrowed, half-width kana widened, line ends folded",
       {.contents = "[ 内容 ]<br>ＡＢＣ１２３の\nｶﾞｲﾄﾞ<br>"},
       ExpectedLine{.description = " ABC123の ガイド"}},
  };
  ExpectLines(cases);
}

TEST(DetailRules, MarkersSwitchToDataAndEndMarkersEndIt) {
  const std::string kNoSpacer = "[ 内容 ]<br>本文。<br>";
  const Case cases[] = {
      {"price line with yen after byte 5 opens the data",
       {.contents = kNoSpacer, .data = "定価：本体1,500円<br>256ページ"},
       ExpectedLine{.isbn = "",
                    .price = "1500",
                    .date = "18991230",
                    .format = "",
                    .description = " 本文。"}},
      {"price marker with yen too early stays description",
       {.contents = kNoSpacer, .data = "定価円<br>"},
       ExpectedLine{.isbn = "",
                    .price = "0",
                    .date = "18991230",
                    .pages = "0",
                    .format = "",
                    .description = "本文。 定価円"}},
      {"button note opens the data",
       {.contents = kNoSpacer, .data = "特典ボタンが付きます<br>256ページ"},
       ExpectedLine{
           .isbn = "", .price = "0", .date = "18991230", .format = "", .description = " 本文。"}},
      {"ISBN word opens the data",
       {.contents = kNoSpacer, .data = "ISBN 4-89-123456-7 C0079<br>"},
       ExpectedLine{.price = "0",
                    .code = "79",
                    .date = "18991230",
                    .pages = "0",
                    .format = "",
                    .description = " 本文。"}},
      {"region note ends the data",
       {.data = "発売日は地域によって異なります<br>256ページ<br>文庫判"},
       ExpectedLine{.isbn = "", .price = "0", .date = "18991230", .pages = "0", .format = ""}},
      {"back link ends the data",
       {.data = "発売日：2026年12月25日<br>戻 る<br>256ページ"},
       ExpectedLine{.isbn = "", .price = "0", .pages = "0", .format = ""}},
  };
  ExpectLines(cases);
}

TEST(DetailRules, FirstPriceLineOfAnyFormWins) {
  const auto price = [](std::string lines, std::string value) {
    return Case{"",
                DetailPage{.data = "発売日：2026年12月25日<br>" + lines +
                                   "<br>256ページ<br>文庫判<br>ISBN 4-89-123456-7 C0193"},
                ExpectedLine{.price = value}};
  };
  const Case cases[] = {
      price("定価（税込）：\t\t予）1,575円", "1575"),
      price("定価（税込）：\t\t 1,650 円", "1650"),
      price("定価：本体予）1,500円", "1500"),
      price("定価（税込）：1,575円（本体1,500円）", "1575"),
      price("定価（税込）：\t1,6\t50円", "1650"),
      price("定価：本体1,500円＋税", "1500"),
      price("定価：本体 1,500円", "0"),  // before-tax forms are not trimmed
      price("定価（税込）：\t\t予）1,575円<br>定価：本体1,500円", "1575"),
      price("定価（税込）：\t\t<br>1,575円<br>定価：本体1,500円", "1500"),
      price("定価 1,500円", "0"),
      price("", "0"),
  };
  ExpectLines(cases);
}

TEST(DetailRules, ReleaseDateReadsYearMonthDay) {
  const auto date = [](std::string lines, std::string value) {
    return Case{"",
                DetailPage{.data = lines + "<br>256ページ<br>文庫判<br>"
                                           "ISBN 4-89-123456-7 C0193<br>定価：本体1,500円"},
                ExpectedLine{.price = "1500", .date = value}};
  };
  const Case cases[] = {
      date("発売日：2005年3月25日", "20050325"),
      date("発売日：2005年3月下旬", "20050315"),
      date("発売日：2005年3月", "20050315"),
      date("発売日：2024年2月29日", "20240229"),
      date("発売日：未定", "18991230"),
      date("発売日：２００５年３月２５日", "18991230"),
      date("発売日：2005年2月30日", "18991230"),
      date("発売日：0年3月1日", "18991230"),
      date("発売日：2005年13月1日", "18991230"),
      date("発売日：2005年3月-1日", "18991230"),
      date("発売日：２００５年<br>発売日：2026年1月10日", "20260110"),
      date("発売日：2026年1月10日<br>発売日：2027年2月1日", "20260110"),
  };
  ExpectLines(cases);
}

TEST(DetailRules, PagesFormatIsbnAndClassCodeTakeTheirFirstLine) {
  const auto data = [](std::string lines, ExpectedLine want) {
    return Case{
        "", DetailPage{.data = "発売日：2026年12月25日<br>定価（税込）：\t\t1,650円<br>" + lines},
        want};
  };
  const std::string kIsbn = "<br>ISBN 4-89-123456-7 C0193";
  const Case cases[] = {
      data("ページ数：未定<br>1,024ページ<br>文庫判" + kIsbn, {.pages = "1024"}),
      data("256ページ<br>四六判<br>Ａ５判" + kIsbn, {.format = "四六判"}),
      data("256ページ<br>Ａ５判" + kIsbn, {.format = "Ａ５判"}),
      data("256ページ<br>文庫判<br>新書判 ISBN 978-4-89-123456-0 C0079", {.code = "79"}),
      data("256ページ<br>文庫判<br>ISBN4-89-123456-7 C0079", {.isbn = ""}),
      data("256ページ<br>文庫判<br>ISBN 4-89-123456-7", {.isbn = ""}),
      data("256ページ<br>文庫判<br>ISBN 12345 C0079", {.isbn = "12345", .code = "79"}),
      data("256ページ<br>文庫判<br>ISBN 4-89-123456-7 C01", {.code = "1"}),
      data("256ページ<br>文庫判<br>ISBN 4-89-123456-7 CXXXX", {}),
      data("256ページ<br>文庫判<br>ISBN 4-89-12345X-7 C0193", {.isbn = ""}),
      data("256ページ<br>文庫判<br>ISBN 4-89-123456-7 C0079<br>ISBN 4-89-999999-9 C0010",
           {.code = "79"}),
  };
  ExpectLines(cases);
}

TEST(DetailRules, LastSeriesImageDecides) {
  const Case cases[] = {
      {"no series image",
       {.series = "<img src=\"/image/heading.gif\" alt='シリーズ'>"},
       ExpectedLine{.series = ""}},
      {"unknown number",
       {.series = "<img src=\"/image/ma_sb-bunko23.gif\" alt='シリーズ'>"},
       ExpectedLine{.series = ""}},
      {"a later image overwrites",
       {.series = "<img src=\"/image/ma_sb-bunko11.gif\" alt='シリーズ'>",
        .after = "<img src=\"/image/ma_sb-comic11.gif\">"},
       ExpectedLine{.series = "女性向けコミック"}},
      {"an image before the block counts",
       {.before = "<img src=\"/image/ma_sb-mook2.gif\">",
        .series = "<img src=\"/image/heading.gif\" alt='シリーズ'>"},
       ExpectedLine{.series = "ムック"}},
  };
  ExpectLines(cases);
}

TEST(DetailRules, BookWithoutCodeTakesTheCategoryDefault) {
  const DetailPage page{.data = "発売日：2026年12月25日<br>ISBN 4-89-123456-7<br>"};
  for (const int code : {0, 79, 193}) {
    FakeRunAccess run;
    const ExpectedLine want{
        .isbn = "", .price = "0", .code = std::to_string(code), .pages = "0", .format = ""};
    EXPECT_EQ(Analyze(page, run, code), want.Sjis()) << code;
  }
}

}  // namespace
}  // namespace kasumido
