// The analysis of one detail page as a whole: master file, page file, cover, title echo.
#include "analysis/detail_analysis.h"

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "analysis/master_file.h"
#include "detail_page.h"
#include "fake_run_access.h"
#include "html/html_parser.h"
#include "support/encoding.h"
#include "support/faulty_file_system.h"

namespace kasumido {
namespace {

using test::DetailPage;
using test::ExpectedLine;
using test::FakeRunAccess;

DetailPageResult Analyze(FakeRunAccess& run) {
  return AnalyzeDetailPage(std::string(test::kTestFolderUrl), std::string(test::kTestLink), 193,
                           run);
}

const std::string kPageUrl = std::string(test::kTestFolderUrl) + std::string(test::kTestLink);

void PutPage(FakeRunAccess& run, const DetailPage& page) {
  run.Scratch().Write("temp/GetKasumido2.html", page.Euc());
}

std::string CoverUrl(std::string_view path) {
  return std::string(test::kTestOrigin) + std::string(path);
}

TEST(DetailAnalysis, MasterFileThatCannotBeOpenedReachesTheCallerBeforeThePageIsRead) {
  FakeRunAccess run;
  std::filesystem::create_directory(run.MasterPath());
  PutPage(run, DetailPage{});
  EXPECT_THROW(Analyze(run), MasterFileError);
  EXPECT_TRUE(run.titles.empty());
  EXPECT_TRUE(run.fetches.empty());
}

TEST(DetailAnalysis, MasterFileIsCreatedEvenWhenNoLineIsWritten) {
  FakeRunAccess missing_page;
  const DetailPageResult missing = Analyze(missing_page);
  EXPECT_EQ(missing.outcome, LinkOutcome::kNotWritten);  // the book is still to be written
  EXPECT_EQ(missing_page.log,
            std::vector<std::string>{kPageUrl + " " + test::Sjis("詳細ページ読込失敗") +
                                     " (no page file) (C.ERROR)"});
  EXPECT_TRUE(missing_page.MasterExists());
  EXPECT_EQ(missing_page.Master(), "");
  EXPECT_TRUE(missing_page.titles.empty());

  FakeRunAccess untitled;
  PutPage(untitled, DetailPage{.opening = "", .series = "<img src=\"/image/ma_sb-bunko16.gif\">"});
  untitled.bodies[CoverUrl("/image/cover_4891234567.jpg")] = "JPEG";
  EXPECT_EQ(Analyze(untitled).outcome, LinkOutcome::kNoBook);  // not a failure of ours
  EXPECT_TRUE(untitled.log.empty());
  EXPECT_TRUE(untitled.MasterExists());
  EXPECT_EQ(untitled.Master(), "");
  EXPECT_EQ(untitled.titles, std::vector<std::string>{""});
  EXPECT_TRUE(untitled.fetches.empty());  // no cover for a book not written
}

TEST(DetailAnalysis, LinesAreAppendedAfterWhatTheFileHolds) {
  FakeRunAccess run;
  run.Scratch().Write("host/ShelvioMas.csv", "\"old\"\r\n");
  PutPage(run, DetailPage{});
  EXPECT_EQ(Analyze(run).outcome, LinkOutcome::kWritten);
  EXPECT_EQ(Analyze(run).outcome, LinkOutcome::kWritten);
  const std::string line = ExpectedLine{}.Sjis();
  EXPECT_EQ(run.Master(), "\"old\"\r\n" + line + line);
}

TEST(DetailAnalysis, ALineThatCannotBeAppendedLeavesTheMasterFileAsItWasAndIsAnErrorLine) {
  FakeRunAccess run;
  run.Scratch().Write("host/ShelvioMas.csv", "\"old\"\r\n");
  PutPage(run, DetailPage{});
  run.bodies[CoverUrl("/image/cover_4891234567.jpg")] = "IMAGE";
  test::FaultyFileSystem faults;
  faults.FillDiskAfter(10);
  const DetailPageResult result = Analyze(run);
  EXPECT_EQ(result.outcome, LinkOutcome::kNotWritten);
  EXPECT_EQ(result.reason, test::FaultyFileSystem::kDiskFull);
  EXPECT_EQ(run.Master(), "\"old\"\r\n");
  EXPECT_EQ(run.log,
            std::vector<std::string>{kPageUrl + " " + test::Sjis("マスターファイル書込失敗") +
                                     " (" + test::FaultyFileSystem::kDiskFull + ") (C.ERROR)"});
  EXPECT_EQ(run.titles, std::vector<std::string>{test::Sjis("星の海の図書館")});
}

// A run in which the page file appears during the first pause.
struct PageAppearsDuringWait : FakeRunAccess {
  void Wait(std::chrono::milliseconds duration) override {
    FakeRunAccess::Wait(duration);
    Scratch().Write("temp/GetKasumido2.html", "<b>x</b>\n");
  }
};

TEST(DetailAnalysis, PageFileIsReadInUpToThreeAttemptsTwoSecondsApart) {
  FakeRunAccess never;
  THTMLParser parser;
  EXPECT_FALSE(LoadPageWithRetries(parser, never.Temp() + "GetKasumido2.html", never));
  EXPECT_TRUE(parser.Lines.empty());
  const std::chrono::milliseconds two_seconds(2000);
  EXPECT_EQ(never.waits, (std::vector<std::chrono::milliseconds>{two_seconds, two_seconds}));

  PageAppearsDuringWait later;
  THTMLParser second;
  EXPECT_TRUE(LoadPageWithRetries(second, later.Temp() + "GetKasumido2.html", later));
  EXPECT_EQ(second.Lines, std::vector<std::string>{"<b>x</b>"});
  EXPECT_EQ(later.waits, std::vector<std::chrono::milliseconds>{two_seconds});
}

TEST(EchoTitle, ClearsTheListBeyondOneHundredLinesAndRetriesAFailedAdd) {
  struct Case {
    size_t lines_before;
    int add_failures;
    size_t lines_after;
    bool last_is_title;
  };
  const Case cases[] = {
      {0, 0, 1, true},   {100, 0, 101, true},
      {101, 0, 1, true}, {5, 1, 1, true},  // cleared, added again
      {5, 2, 0, false},                    // the second add fails too: nothing escapes
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    run.titles.assign(c.lines_before, "line");
    run.add_title_failures = c.add_failures;
    EchoTitle(run, "title");
    EXPECT_EQ(run.titles.size(), c.lines_after) << c.lines_before << "/" << c.add_failures;
    if (c.last_is_title) {
      EXPECT_EQ(run.titles.back(), "title");
    }
  }
}

TEST(DetailAnalysis, CoverIsSavedUnderTheIsbnOrTheTitleInTheTemporaryFolder) {
  struct Case {
    const char* name;
    DetailPage page;
    const char* served;  // image path served by the site, or null
    ExpectedLine want;   // cover relative to the temporary folder
  };
  const char* kServed = "/image/cover_4891234567.jpg";
  const Case cases[] = {
      {"under the ISBN", {}, kServed, {.cover = "9784891234560.jpg"}},
      {"placeholder cover ignored",
       {.cover = "<img src=\"/image/cover_blank.gif\">"},
       "/image/cover_blank.gif",
       {}},
      {"the later cover wins",
       {.cover = "<img src=\"/image/cover_old.gif\"><img src=\"/image/cover_4891234567.jpg\">"},
       kServed,
       {.cover = "9784891234560.jpg"}},
      {"under the title when there is no ISBN",
       {.title = "<img src=\"/image/ma_line2-330.gif\">誰が迷宮を？<img "
                 "src=\"/image/ma_line2-330.gif\">",
        .data = "定価：本体1,500円<br>ISBN4-89-123456-7 C0193<br>戻 る"},
       kServed,
       {.isbn = "",
        .title = "誰が迷宮を?",
        .price = "1500",
        .date = "18991230",
        .pages = "0",
        .format = "",
        .cover = "誰が迷宮を？.jpg"}},
      {"an ISBN holding folders stays in the folder",
       {.data = "ISBN ../../x C0193<br>戻 る"},
       kServed,
       {.isbn = "../../x",
        .price = "0",
        .date = "18991230",
        .pages = "0",
        .format = "",
        .cover = "..／..／x.jpg"}},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    PutPage(run, c.page);
    if (c.served) run.bodies[CoverUrl(c.served)] = "IMAGE";
    Analyze(run);
    ExpectedLine want = c.want;
    if (!want.cover.empty()) {
      want.cover = run.Temp() + want.cover;
      EXPECT_EQ(test::ReadFile(test::FsPath(want.cover)), "IMAGE") << c.name;
    }
    EXPECT_EQ(run.Master(), want.Sjis()) << c.name << "\n" << test::Utf8FromSjis(run.Master());
    for (const FakeRunAccess::Fetch& fetch : run.fetches) {
      EXPECT_EQ(test::FsPath(fetch.file).parent_path(), test::FsPath(run.Temp()).parent_path())
          << c.name;
    }
  }
}

TEST(DetailAnalysis, CoverThatCannotBeSavedStillWritesTheLineAndIsLoggedWithItsReason) {
  const std::string cover = CoverUrl("/image/cover_4891234567.jpg");
  struct Case {
    const char* name;
    std::function<void(FakeRunAccess&)> arrange;
    std::string reason;
  };
  const Case cases[] = {
      {"not served", [](FakeRunAccess&) {}, "404 Not Found"},
      {"fetch throws", [&cover](FakeRunAccess& run) { run.throwing[cover] = true; },
       "fetch failed: " + cover},
      {"no usable name",
       [&cover](FakeRunAccess& run) {
         PutPage(run, DetailPage{.data = "ISBN GetKasumido2 C0193<br>戻 る",
                                 .cover = "<img src=\"/image/cover_x.html\">"});
       },
       "no usable file name"},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    PutPage(run, DetailPage{});
    c.arrange(run);
    EXPECT_EQ(Analyze(run).outcome, LinkOutcome::kWritten) << c.name;
    EXPECT_NE(run.Master(), "") << c.name;
    EXPECT_EQ(run.Master().substr(run.Master().size() - 5), ",\"\"\r\n") << c.name;
    EXPECT_EQ(run.titles, std::vector<std::string>{test::Sjis("星の海の図書館")}) << c.name;
    const std::string url =
        c.reason == "no usable file name" ? CoverUrl("/image/cover_x.html") : cover;
    EXPECT_EQ(run.log, std::vector<std::string>{url + " " + test::Sjis("表紙画像取得失敗") + " (" +
                                                c.reason + ")"})
        << c.name;
  }
}

}  // namespace
}  // namespace kasumido
