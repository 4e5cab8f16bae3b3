// The download plan with the retry list: detail links whose book was not written are
// remembered and tried again on later runs, after their folder's listing page.
#include "shell/plan_retries.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/fake_plan_run.h"

namespace kasumido {
namespace {

using test::FakePlanRun;
using test::LogLine;
using test::Sjis;
using test::Url;

const std::string kLink1 = "detail/bk_detail.php?pcd=4001";
const std::string kLink2 = "detail/bk_detail.php?pcd=4002";
const std::string kDetail1 = Url("/comic/") + kLink1;
const std::string kDetail2 = Url("/comic/") + kLink2;
const std::string kHeader = "kasumido retry list 1\r\n";

class PlanRetriesTest : public ::testing::Test {
 protected:
  PlanRetriesTest() {
    // Only this month's comic page is served, linking two books.
    run_.settings = {{"DLLComic_Checked", "True"}};
    run_.pages[Url("/comic/kongetsu.html")] = "<p>\ncomic\n";
    run_.links[Url("/comic/")] = {kLink1, kLink2};
  }
  std::string List() const { return scratch_.Read("host/old/kasumidoRetry.txt"); }
  // The run's log after its start line, without the lines of the two failing pages.
  std::vector<std::string> StepLog() const {
    std::vector<std::string> lines;
    for (const std::string& line : run_.log) {
      if (line.find("raigetsu") == std::string::npos &&
          line.find("sengetsu") == std::string::npos && line != Sjis("*** 霞堂書店DLL ***")) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  test::ScratchDir scratch_;
  FakePlanRun run_{scratch_};
};

TEST_F(PlanRetriesTest, AFailedBookIsTriedAgainNextRunThoughItsPageIsUnchangedAndOnlyOnce) {
  run_.outcomes[kDetail1] = LinkOutcome::kFetchFailed;
  DownloadPlan(run_);
  EXPECT_EQ(List(), kHeader + "1\t79\t/comic/\t" + kLink1 + "\r\n");
  EXPECT_EQ(run_.SavedCopy("kasumido3.html"), "<p>\ncomic\n");  // its missing book remembered

  run_.outcomes.clear();
  run_.followed.clear();
  run_.log.clear();
  DownloadPlan(run_);
  EXPECT_EQ(run_.followed, std::vector<std::string>{kDetail1});
  EXPECT_EQ(StepLog(), (std::vector<std::string>{LogLine("/comic/kongetsu.html", "スキップ"),
                                                 kDetail1 + " " + Sjis("再試行")}));
  EXPECT_EQ(List(), kHeader);

  run_.followed.clear();
  DownloadPlan(run_);
  EXPECT_TRUE(run_.followed.empty());
}

TEST_F(PlanRetriesTest, ALinkIsTriedAgainOnlyAfterItsFolderPageArrived) {
  scratch_.Write("host/old/kasumidoRetry.txt", kHeader + "2\t193\t/lnovel/\t" + kLink1 + "\r\n" +
                                                   "0\t79\t/comic/\t" + kLink2 + "\r\n");
  run_.settings = {{"DLLBooks_Checked", "True"}};  // comic off: its link waits
  test::PutWholeSite(run_);
  run_.pages.erase(Url("/lnovel/kongetsu.html"));  // step 1 fails; step 5 brings the folder
  run_.links.clear();
  DownloadPlan(run_);
  const auto follow = std::find(run_.events.begin(), run_.events.end(),
                                "follow " + Url("/lnovel/") + kLink1 + " 193");
  ASSERT_NE(follow, run_.events.end());
  EXPECT_EQ(*(follow - 1), "analyse " + Url("/lnovel/"));
  EXPECT_EQ(std::count(run_.events.begin(), follow, "analyse " + Url("/lnovel/")), 1);
  EXPECT_EQ(run_.followed, std::vector<std::string>{Url("/lnovel/") + kLink1});
  EXPECT_EQ(List(), kHeader + "0\t79\t/comic/\t" + kLink2 + "\r\n");
}

TEST_F(PlanRetriesTest, APageIsSavedOnlyWhenEveryMissingBookIsRemembered) {
  struct Case {
    const char* name;
    LinkOutcome outcome;    // of the first link
    bool list_unwritable;   // a folder where the list should be
    std::string long_link;  // a second link too long to remember
    bool saved;
    std::string error;  // the error line's word
  };
  const Case cases[] = {
      {"every book written", LinkOutcome::kWritten, true, "", true, ""},
      {"a book missing, list written", LinkOutcome::kNotWritten, false, "", true, ""},
      {"a book missing, list unwritable", LinkOutcome::kFetchFailed, true, "", false,
       "再試行リスト保存失敗"},
      {"an interrupted book, list unwritable", LinkOutcome::kInterrupted, true, "", false,
       "再試行リスト保存失敗"},
      {"a link that cannot be remembered", LinkOutcome::kWritten, false,
       "detail/bk_detail.php?pcd=" + std::string(3000, '9'), false, "再試行リストに記録できません"},
  };
  for (const Case& c : cases) {
    test::ScratchDir scratch;
    FakePlanRun run(scratch);
    run.settings = {{"DLLComic_Checked", "True"}};
    run.pages[Url("/comic/kongetsu.html")] = "<p>\ncomic\n";
    run.links[Url("/comic/")] = {kLink1};
    run.outcomes[kDetail1] = c.outcome;
    if (!c.long_link.empty()) {
      run.links[Url("/comic/")].push_back(c.long_link);
      run.outcomes[Url("/comic/") + c.long_link] = LinkOutcome::kFetchFailed;
    }
    if (c.list_unwritable)
      std::filesystem::create_directory(scratch.File("host/old/kasumidoRetry.txt"));
    DownloadPlan(run);
    EXPECT_EQ(run.SavedCopy("kasumido3.html").empty(), !c.saved) << c.name;
    const auto error = std::find_if(run.log.begin(), run.log.end(), [](const std::string& line) {
      return line.find("(C.ERROR)") != std::string::npos;
    });
    if (c.error.empty()) {
      EXPECT_EQ(error, run.log.end()) << c.name;
    } else {
      ASSERT_NE(error, run.log.end()) << c.name;
      EXPECT_NE(error->find(Sjis(c.error)), std::string::npos) << c.name;
    }
  }
}

TEST_F(PlanRetriesTest, ALinkFailingInFiveRunsInARowIsGivenUpWithAnErrorLine) {
  run_.outcomes[kDetail1] = LinkOutcome::kFetchFailed;
  const std::string given_up =
      kDetail1 + " " + Sjis("再試行打切り (5回の実行で連続失敗)") + " (C.ERROR)";
  for (int run = 1; run <= 5; ++run) {
    run_.log.clear();
    DownloadPlan(run_);
    const bool logged = std::count(run_.log.begin(), run_.log.end(), given_up) == 1;
    EXPECT_EQ(logged, run == 5) << run;
  }
  EXPECT_EQ(List(), kHeader);
  run_.followed.clear();
  DownloadPlan(run_);
  EXPECT_TRUE(run_.followed.empty());
}

TEST_F(PlanRetriesTest, ADamagedListIsLoggedAndStartedAfresh) {
  scratch_.Write("host/old/kasumidoRetry.txt", "garbage");
  DownloadPlan(run_);
  EXPECT_EQ(StepLog(),
            (std::vector<std::string>{
                "kasumidoRetry.txt " + Sjis("再試行リスト破損のため作り直し") + " (C.ERROR)",
                LogLine("/comic/kongetsu.html", "ダウンロード")}));
  EXPECT_EQ(List(), kHeader);
}

TEST_F(PlanRetriesTest, StopEndsTheRetriesAndKeepsTheLinksNotTried) {
  scratch_.Write("host/old/kasumidoRetry.txt", kHeader + "1\t79\t/comic/\t" + kLink1 + "\r\n" +
                                                   "1\t79\t/comic/\t" + kLink2 + "\r\n");
  run_.outcomes[kDetail1] = LinkOutcome::kFetchFailed;
  run_.OnAnalyse = [this](std::size_t) { run_.links[Url("/comic/")].clear(); };
  run_.OnFollow = [this] { run_.stop = true; };
  DownloadPlan(run_);
  EXPECT_EQ(run_.followed, std::vector<std::string>{kDetail1});
  EXPECT_EQ(List(),
            kHeader + "2\t79\t/comic/\t" + kLink1 + "\r\n" + "1\t79\t/comic/\t" + kLink2 + "\r\n");
}

}  // namespace
}  // namespace kasumido
