#include "analysis/listing_analysis.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "detail_page.h"
#include "fake_run_access.h"
#include "support/encoding.h"
#include "support/faulty_file_system.h"

namespace kasumido {
namespace {

using test::FakeRunAccess;

const std::string kFolder = std::string(test::kTestOrigin) + "/lnovel/";

std::string Url(int pcd) { return kFolder + "detail/bk_detail.php?pcd=" + std::to_string(pcd); }
std::string Link(int pcd) {
  return "<a href=\"detail/bk_detail.php?pcd=" + std::to_string(pcd) + "\">本</a>\n";
}
std::string Title(int pcd) { return "本その" + std::to_string(pcd); }

// A run whose site serves detail pages 1 to 5 and the listing page `body` (UTF-8).
void Prepare(FakeRunAccess& run, const std::string& body) {
  run.Scratch().Write("temp/GetKasumido.html",
                      test::Euc("<html><body>\n" + body + "</body></html>\n"));
  for (int pcd = 1; pcd <= 5; ++pcd) {
    const std::string rule = "<img src=\"/image/ma_line2-330.gif\">";
    run.bodies[Url(pcd)] = test::DetailPage{.title = rule + Title(pcd) + rule}.Euc();
  }
  run.bodies[kFolder + "detail/bk_search.php?pcd=2"] = run.bodies[Url(2)];
  run.bodies[std::string(test::kTestOrigin) + "/image/cover_4891234567.jpg"] = "IMAGE";
}

std::string LogLine(const std::string& subject, const char* word, const std::string& reason) {
  return subject + " " + test::Sjis(word) + " (" + reason + ")";
}

// The URLs fetched into the detail work file, in order.
std::vector<std::string> DetailFetches(const FakeRunAccess& run) {
  std::vector<std::string> urls;
  for (const FakeRunAccess::Fetch& fetch : run.fetches) {
    if (fetch.file != run.Temp() + "GetKasumido2.html") continue;
    EXPECT_EQ(fetch.kind, DocumentKind::kPage) << fetch.url;
    urls.push_back(fetch.url);
  }
  return urls;
}

std::vector<std::string> Titles(std::initializer_list<int> pcds) {
  std::vector<std::string> titles;
  for (int pcd : pcds) titles.push_back(test::Sjis(Title(pcd)));
  return titles;
}

TEST(ListingAnalysis, FollowsEachDetailLinkUnlessItRepeatsTheLastHref) {
  struct Case {
    const char* name;
    std::string body;
    std::vector<std::string> fetched;
  };
  const Case cases[] = {
      {"no detail links", "<a href=\"/book/\">書籍</a><a href=\"http://other.example/\">x</a>", {}},
      {"same link twice in a row", Link(1) + Link(1), {Url(1)}},
      {"same link after another HREF",
       Link(1) + "<a href=\"kongetsu.html#b1\">x</a>" + Link(1),
       {Url(1), Url(1)}},
      {"same link after an A tag without HREF", Link(1) + "<a name=\"b1\">" + Link(1), {Url(1)}},
      {"single quotes removed for the fetch",
       "<a href='detail/bk_detail.php?pcd=3'>x</a>",
       {Url(3)}},
      {"quoted and unquoted values differ",
       Link(4) + "<a href='detail/bk_detail.php?pcd=4'>x</a>",
       {Url(4), Url(4)}},
      {"search form of the link",
       "<a href=\"detail/bk_search.php?pcd=2\">x</a>",
       {kFolder + "detail/bk_search.php?pcd=2"}},
      {"no slash before the script", "<a href=\"bk_detail.php?pcd=5\">x</a>", {}},
      {"tag broken over two lines", "<a\nhref=\"detail/bk_detail.php?pcd=5\">x</a>", {}},
      {"A without attributes, then a link", "<a>x</a>" + Link(5), {Url(5)}},
      {"the last differing HREF of a tag counts",
       "<a href=\"x.html\" href=\"detail/bk_detail.php?pcd=1\">x</a>"
       "<a href=\"detail/bk_detail.php?pcd=2\" href=\"y.html\">y</a>",
       {Url(1)}},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    Prepare(run, c.body);
    AnalyzeListingPage(kFolder, 193, run);
    EXPECT_EQ(DetailFetches(run), c.fetched) << c.name;
    EXPECT_EQ(run.titles.size(), c.fetched.size()) << c.name;
    EXPECT_TRUE(run.log.empty()) << c.name;
    EXPECT_FALSE(std::filesystem::exists(run.Temp() + "GetKasumido2.html")) << c.name;
    EXPECT_TRUE(std::filesystem::exists(run.Temp() + "GetKasumido.html")) << c.name;
  }
}

TEST(ListingAnalysis, EachLinkGetsThreeAttemptsThenTheNextLinkIsFollowed) {
  struct Case {
    const char* name;
    std::function<void(FakeRunAccess&)> arrange;
    std::vector<std::string> fetched;
    std::vector<std::string> titles;
    int retry_waits;  // one before each attempt that follows a failed download
    LinkOutcome first;
    int first_attempts;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"never served",
       [](FakeRunAccess& run) { run.bodies.erase(Url(1)); },
       {Url(1), Url(1), Url(1), Url(2)},
       Titles({2}),
       2,
       LinkOutcome::kFetchFailed,
       3,
       {LogLine(Url(1), "詳細ページ取得失敗", "404 Not Found")}},
      {"served at the third attempt",
       [](FakeRunAccess& run) { run.failures_before[Url(1)] = 2; },
       {Url(1), Url(1), Url(1), Url(2)},
       Titles({1, 2}),
       2,
       LinkOutcome::kWritten,
       3,
       {}},
      {"fetch throws",
       [](FakeRunAccess& run) { run.throwing[Url(1)] = true; },
       {Url(1), Url(1), Url(1), Url(2)},
       Titles({2}),
       2,
       LinkOutcome::kFetchFailed,
       3,
       {LogLine(Url(1), "詳細ページ取得失敗", "fetch failed: " + Url(1))}},
      {"bytes without a file end the attempts",
       [](FakeRunAccess& run) { run.claims_no_file[Url(1)] = true; },
       {Url(1), Url(2)},
       Titles({2}),
       0,
       LinkOutcome::kNotWritten,
       1,
       {LogLine(Url(1), "詳細ページ読込失敗", "no page file") + " (C.ERROR)"}},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    Prepare(run, Link(1) + Link(2));
    c.arrange(run);
    const std::vector<LinkResult> results = AnalyzeListingPage(kFolder, 193, run);
    EXPECT_EQ(DetailFetches(run), c.fetched) << c.name;
    EXPECT_EQ(run.titles, c.titles) << c.name;
    EXPECT_EQ(run.retry_waits, c.retry_waits) << c.name;
    EXPECT_EQ(run.log, c.log) << c.name;
    ASSERT_EQ(results.size(), 2u) << c.name;
    EXPECT_EQ(results[0].outcome, c.first) << c.name;
    EXPECT_EQ(results[0].fetch_attempts, c.first_attempts) << c.name;
    EXPECT_EQ(results[1].outcome, LinkOutcome::kWritten) << c.name;
    EXPECT_EQ(results[1].fetch_attempts, 1) << c.name;
    // One pause after each analysed page.
    EXPECT_EQ(run.waits, std::vector<std::chrono::milliseconds>(c.titles.size(),
                                                                std::chrono::milliseconds(200)))
        << c.name;
  }
}

TEST(ListingAnalysis, StopAndSkipEndTheListingAfterTheCurrentLink) {
  struct Case {
    const char* name;
    bool stop;         // else skip
    bool first_fails;  // the first link is never served
    std::vector<std::string> fetched;
    size_t lines;
    LinkOutcome outcome;  // of the first link, the only one followed
  };
  const Case cases[] = {
      {"stop while the first page downloads", true, false, {Url(1)}, 1, LinkOutcome::kWritten},
      {"skip while the first page downloads", false, false, {Url(1)}, 1, LinkOutcome::kWritten},
      {"stop during a failing attempt",
       true,
       true,
       {Url(1), Url(1), Url(1)},
       0,
       LinkOutcome::kInterrupted},
      {"skip during a failing attempt",
       false,
       true,
       {Url(1), Url(1), Url(1)},
       0,
       LinkOutcome::kInterrupted},
  };
  for (const Case& c : cases) {
    FakeRunAccess run;
    Prepare(run, Link(1) + Link(2) + Link(3));
    run.bodies[std::string(test::kTestOrigin) + "/image/cover_4891234567.jpg"] = "IMAGE";
    if (c.first_fails) run.bodies.erase(Url(1));
    run.during_fetch = [&run, &c](const std::string& url) {
      if (url == Url(1)) (c.stop ? run.stop : run.skip) = true;
    };
    const std::vector<LinkResult> results = AnalyzeListingPage(kFolder, 193, run);
    EXPECT_EQ(DetailFetches(run), c.fetched) << c.name;
    ASSERT_EQ(results.size(), 1u) << c.name;
    EXPECT_EQ(results[0].outcome, c.outcome) << c.name;
    const std::string master = run.Master();
    EXPECT_EQ(static_cast<size_t>(std::count(master.begin(), master.end(), '\n')), c.lines)
        << c.name;
    if (c.lines == 1) {
      // After a stop the cover fetch is refused, after a skip it is made.
      const bool has_cover = master.find(".jpg\"\r\n") != std::string::npos;
      EXPECT_EQ(has_cover, !c.stop) << c.name;
    }
    // An interrupted link is not a failure of the site; the stopped cover is logged.
    const std::vector<std::string> log =
        c.lines == 1 && c.stop ? std::vector<std::string>{LogLine(
                                     std::string(test::kTestOrigin) + "/image/cover_4891234567.jpg",
                                     "表紙画像取得失敗", "stopped")}
                               : std::vector<std::string>{};
    EXPECT_EQ(run.log, log) << c.name;
  }
  FakeRunAccess skipped;
  Prepare(skipped, Link(1));
  skipped.skip = true;
  AnalyzeListingPage(kFolder, 193, skipped);
  EXPECT_TRUE(skipped.fetches.empty());
}

TEST(ListingAnalysis, MasterFileThatCannotBeOpenedLogsAnalyzeErrorPerPage) {
  FakeRunAccess run;
  Prepare(run, Link(1) + Link(2));
  std::filesystem::create_directory(run.MasterPath());
  AnalyzeListingPage(kFolder, 193, run);
  // Each "Analyze Error " line is followed by an error line with the system's reason.
  ASSERT_EQ(run.log.size(), 4u);
  for (int pcd : {1, 2}) {
    EXPECT_EQ(run.log[2 * pcd - 2], "Analyze Error " + Url(pcd));
    const std::string& reason = run.log[2 * pcd - 1];
    EXPECT_EQ(reason.rfind(Url(pcd) + " " + test::Sjis("マスターファイルを開けません") + " (", 0),
              0u)
        << reason;
    EXPECT_EQ(reason.substr(reason.size() - 11), ") (C.ERROR)") << reason;
  }
  EXPECT_EQ(DetailFetches(run), (std::vector<std::string>{Url(1), Url(2)}));
  EXPECT_TRUE(run.titles.empty());
  EXPECT_EQ(run.waits.size(), 2u);
}

TEST(ListingAnalysis, FollowingOneLinkAgainWritesItsBookAndRemovesTheWorkFile) {
  FakeRunAccess run;
  Prepare(run, "");
  const LinkResult written = FollowDetailLink(kFolder, "detail/bk_detail.php?pcd=3", 193, run);
  EXPECT_EQ(written.outcome, LinkOutcome::kWritten);
  EXPECT_EQ(written.link, "detail/bk_detail.php?pcd=3");
  EXPECT_EQ(run.titles, Titles({3}));
  run.stop = true;  // followed whatever the requests say; the refused fetches interrupt it
  const LinkResult stopped = FollowDetailLink(kFolder, "detail/bk_detail.php?pcd=4", 193, run);
  EXPECT_EQ(stopped.outcome, LinkOutcome::kInterrupted);
  EXPECT_EQ(stopped.fetch_attempts, 3);
  EXPECT_EQ(DetailFetches(run), (std::vector<std::string>{Url(3), Url(4), Url(4), Url(4)}));
  EXPECT_FALSE(std::filesystem::exists(run.Temp() + "GetKasumido2.html"));
}

TEST(ListingAnalysis, MissingListingFetchesNothing) {
  FakeRunAccess run;
  AnalyzeListingPage(kFolder, 193, run);
  EXPECT_TRUE(run.fetches.empty());
  EXPECT_FALSE(run.MasterExists());
}

// Removed through the file seam (which on Windows reaches folders of any name), as the
// faulty file system sees.
TEST(ListingAnalysis, DetailWorkFileIsDeletedWhenAnErrorEndsTheListing) {
  test::FaultyFileSystem files;
  FakeRunAccess run;
  Prepare(run, Link(1) + Link(2));
  run.during_yield = [&run] {
    if (!run.titles.empty()) {
      ASSERT_TRUE(std::filesystem::exists(run.Temp() + "GetKasumido2.html"));
      throw std::runtime_error("window gone");
    }
  };
  EXPECT_THROW(AnalyzeListingPage(kFolder, 193, run), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(run.Temp() + "GetKasumido2.html"));
  EXPECT_EQ(DetailFetches(run), std::vector<std::string>{Url(1)});
  ASSERT_FALSE(files.Removals().empty());
  EXPECT_EQ(files.Removals().back().path, run.Temp() + "GetKasumido2.html");
  EXPECT_TRUE(files.Removals().back().removed);
}

}  // namespace
}  // namespace kasumido

namespace kasumido {
namespace {

TEST(ListingAnalysis, CountsTheSiteLimitingUsAndKeepsThePagesThatGaveTooLittle) {
  using test::DetailPage;
  const std::string rule = "<img src=\"/image/ma_line2-330.gif\">";
  const struct {
    const char* what;
    std::string page;  // UTF-8; empty: every attempt fails with `status`
    int status;
    LinkOutcome outcome;
    int limiting_answers;
    const char* kept;  // why the page was kept; empty: not kept
  } cases[] = {
      {"a whole book", DetailPage{.title = rule + "本" + rule}.Utf8(), 0, LinkOutcome::kWritten, 0,
       ""},
      {"a book without ISBN",
       DetailPage{.title = rule + "本" + rule, .data = "256ページ<br>\n"}.Utf8(), 0,
       LinkOutcome::kWritten, 0, "book without ISBN"},
      {"a page without a book", "<html><body>お知らせ</body></html>\n", 0, LinkOutcome::kNoBook, 0,
       "detail page gave no book"},
      {"a challenge in English", "<html><body>Please solve the CAPTCHA</body></html>\n", 0,
       LinkOutcome::kNoBook, 1, "detail page gave no book"},
      {"a challenge in Japanese", "<p>ただいまアクセスが集中しています</p>\n", 0,
       LinkOutcome::kNoBook, 1, "detail page gave no book"},
      {"429 three times", "", 429, LinkOutcome::kFetchFailed, 3, ""},
      {"403 three times", "", 403, LinkOutcome::kFetchFailed, 3, ""},
      {"503 three times", "", 503, LinkOutcome::kFetchFailed, 3, ""},
      {"404 three times", "", 404, LinkOutcome::kFetchFailed, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeRunAccess run;
    Prepare(run, Link(1));
    run.bodies[Url(1)] = test::Euc(c.page);
    run.failure_statuses[Url(1)] = c.status;
    const std::vector<LinkResult> results = AnalyzeListingPage(kFolder, 193, run);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, c.outcome);
    EXPECT_EQ(results[0].limiting_answers, c.limiting_answers);
    EXPECT_EQ(run.evidence, std::string(c.kept).empty()
                                ? std::vector<std::string>{}
                                : std::vector<std::string>{Url(1) + " " + c.kept});
    if (c.outcome == LinkOutcome::kWritten) {
      EXPECT_NE(results[0].filled_fields & FieldBit(BookField::kTitle), 0);
      EXPECT_EQ((results[0].filled_fields & FieldBit(BookField::kISBN)) != 0,
                std::string(c.kept).empty());
    }
  }
}

}  // namespace
}  // namespace kasumido
