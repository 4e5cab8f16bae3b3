#include "analysis/book_record.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "fake_run_access.h"
#include "support/encoding.h"

namespace kasumido {
namespace {

using test::FakeRunAccess;
using test::Sjis;

TEST(ReleaseDate, ValidDatesRoundTripAndInvalidOnesHaveNoDayCount) {
  struct Case {
    int year, month, day;
    std::optional<std::string> written;
  };
  const Case cases[] = {
      {2005, 3, 25, "20050325"},   {2024, 2, 29, "20240229"},   {1, 1, 1, "00010101"},
      {9999, 12, 31, "99991231"},  {1900, 1, 1, "19000101"},    {2023, 2, 29, std::nullopt},
      {2005, 4, 31, std::nullopt}, {0, 3, 1, std::nullopt},     {10000, 1, 1, std::nullopt},
      {2005, 0, 1, std::nullopt},  {2005, 13, 1, std::nullopt}, {2005, 3, 0, std::nullopt},
      {2005, 3, -1, std::nullopt}, {-2005, 3, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<int> count = DayCountOf(c.year, c.month, c.day);
    ASSERT_EQ(count.has_value(), c.written.has_value()) << c.year << "/" << c.month << "/" << c.day;
    if (count) {
      EXPECT_EQ(FormatReleaseDate(*count), *c.written);
    }
  }
  EXPECT_EQ(DayCountOf(1899, 12, 30), 0);
  EXPECT_EQ(DayCountOf(1900, 1, 1), 2);
  EXPECT_EQ(FormatReleaseDate(0), "18991230");
}

TEST(CoverFileName, KeepsOrdinaryNamesAndMakesOthersPlainNamesInTheFolder) {
  struct Case {
    const char* isbn;
    const char* title;
    const char* cover;
    std::string name;  // UTF-8
  };
  const Case cases[] = {
      {"9784891234560", "題", "/image/cover_4891234567.jpg", "9784891234560.jpg"},
      {"", "誰が迷宮を?", "/image/cover_1.gif", "誰が迷宮を？.gif"},
      {"", "表示/非表示", "/image/cover_1", "表示／非表示"},
      {"../../etc/x", "題", "/image/cover_1.jpg", "..／..／etc／x.jpg"},
      {"..\\x", "題", "/image/cover_1.jpg", "..￥x.jpg"},
      {"..", "題", "/image/cover_1", "__"},
      {".", "題", "/image/cover_1", "_"},
      {"978\t1\x01", "題", "/image/cover_1.jpg", "978_1_.jpg"},
      {"9784891234560", "題", "/image.d/cover_1", "9784891234560"},
      {"9784891234560", "題", "/image/cover_1.j\\pg", "9784891234560.j￥pg"},
      {"9784891234560", "題", "/image/cover_1.jpg/../../x", "9784891234560"},
      {"", "", "/image/cover_1", ""},
      {"GetKasumido2", "題", "/image/cover_1.html", ""},
      {"GetKasumido", "題", "/image/cover_1.html", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CoverFileName(c.isbn, Sjis(c.title), c.cover), Sjis(c.name)) << c.isbn << c.cover;
  }
}

TEST(CoverFileName, ShortensLongNamesAtCharacterBoundaries) {
  const std::string long_isbn(300, '7');
  EXPECT_EQ(CoverFileName(long_isbn, "", "/cover_1.jpg"), std::string(251, '7') + ".jpg");
  // 150 double-byte characters: 300 bytes, cut to 125 characters so that ".jpg" fits.
  std::string kanji;
  for (int i = 0; i < 150; ++i) kanji += "漢";
  std::string cut;
  for (int i = 0; i < 125; ++i) cut += "漢";
  EXPECT_EQ(CoverFileName("", Sjis(kanji), "/cover_1.jpg"), Sjis(cut + ".jpg"));
  // An extension too long to keep is cut with the rest.
  const std::string long_extension = "/cover_1." + std::string(300, 'x');
  EXPECT_EQ(CoverFileName("978", "", long_extension), "978." + std::string(251, 'x'));
}

TEST(MasterFileLine, WritesSeventeenFieldsWithoutEscaping) {
  BookRecord record;
  record.ISBN = "9784891234560";
  record.Title = Sjis("引用\"符\",の森");
  record.Author = Sjis("著:甲/乙");
  record.Series = Sjis("ムック");
  record.Price = -5;
  record.ClassCode = 79;
  record.ReleaseDate = *DayCountOf(2026, 1, 5);
  record.Pages = 1024;
  record.Format = Sjis("Ａ５判");
  record.Description = Sjis("一行\r\n二行\t三");
  record.DetailURL = "http://127.0.0.1:8080/comic/detail/bk_detail.php?pcd=4001";
  record.CoverImagePath = "/image/cover_4001.jpg";
  record.CoverFile = "/tmp/9784891234560.jpg";
  EXPECT_EQ(MasterFileLine(record),
            Sjis("\"9784891234560\",\"引用\"符\",の森\",\"\",\"著:甲/乙\",\"\",\"ムック\","
                 "\"霞堂書店\",-5,79,0,0,20260105,1024,\"Ａ５判\",\"一行  二行\t三\","
                 "\"http://127.0.0.1:8080/comic/detail/bk_detail.php?pcd=4001\","
                 "\"/tmp/9784891234560.jpg\"\r\n"));
  EXPECT_EQ(MasterFileLine(BookRecord{}),
            Sjis("\"\",\"\",\"\",\"\",\"\",\"\",\"霞堂書店\",0,0,0,0,18991230,0,\"\",\"\",\"\","
                 "\"\"\r\n"));
}

// A record as the walk leaves it, with a cover on the site.
BookRecord RawRecord() {
  BookRecord record;
  record.ISBN = "4-89-123456-7";
  record.Title = Sjis("星屑の航海士（上）");
  record.Author = Sjis("著：霧島ユウ");
  record.Description = Sjis("　第一部。");
  record.Format = Sjis("Ａ５判");
  record.CoverImagePath = "/image/cover_1001.jpg";
  return record;
}

TEST(FinishBookRecord, UntitledRecordOnlyHasItsIsbnNormalised) {
  FakeRunAccess run;
  BookRecord record = RawRecord();
  record.Title.clear();
  EXPECT_FALSE(FinishBookRecord(record, 79, run));
  EXPECT_EQ(record.ISBN, "9784891234560");
  EXPECT_EQ(record.Author, Sjis("著：霧島ユウ"));
  EXPECT_EQ(record.ClassCode, 0);
  EXPECT_TRUE(run.fetches.empty());
}

TEST(FinishBookRecord, CoverThatCannotBeSavedLeavesAnEmptyCoverField) {
  const std::string url = std::string(test::kTestOrigin) + "/image/cover_1001.jpg";
  struct Case {
    const char* name;
    std::function<void(FakeRunAccess&)> arrange;
  };
  const Case cases[] = {
      {"not on the site", [](FakeRunAccess&) {}},
      {"fetch throws", [&](FakeRunAccess& run) { run.throwing[url] = true; }},
      {"stop requested",
       [&](FakeRunAccess& run) {
         run.bodies[url] = "JPEG";
         run.stop = true;
       }},
      {"a folder in the file's place",
       [&](FakeRunAccess& run) {
         run.bodies[url] = "JPEG";
         std::filesystem::create_directory(run.Temp() + "9784891234560.jpg");
       }},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    c.arrange(run);
    BookRecord record = RawRecord();
    EXPECT_TRUE(FinishBookRecord(record, 0, run)) << c.name;
    EXPECT_EQ(record.CoverFile, "") << c.name;
    EXPECT_EQ(run.FetchedUrls(), std::vector<std::string>{url}) << c.name;
    EXPECT_EQ(run.fetches.at(0).kind, DocumentKind::kCover) << c.name;
  }
}

}  // namespace
}  // namespace kasumido
