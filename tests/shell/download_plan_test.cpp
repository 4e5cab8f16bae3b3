#include "shell/download_plan.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "platform/waits.h"
#include "shell/fake_plan_run.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using test::FakePlanRun;
using test::kOrigin;
using test::LogLine;
using test::PutWholeSite;
using test::ScratchDir;
using test::Sjis;
using test::Url;
using test::WriteFile;

class DownloadPlanTest : public ::testing::Test {
 protected:
  ScratchDir scratch_;
  FakePlanRun run_{scratch_};
};

TEST_F(DownloadPlanTest, WithEveryGateOffWalksAllCaptionsFetchesNothingAndCleansUp) {
  run_.view.AddTitle("old title");
  WriteFile(run_.WorkingFile(), "left over");
  DownloadPlan(run_);
  std::vector<std::string> captions;
  for (const PlanStep& step : kPlanSteps) captions.emplace_back(step.caption);
  EXPECT_EQ(run_.view.captions, captions);
  EXPECT_EQ(run_.log, std::vector<std::string>{Sjis("*** 霞堂書店DLL ***")});
  EXPECT_TRUE(run_.fetched.empty());
  EXPECT_EQ(run_.view.TitleCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(run_.WorkingFile()));
}

TEST_F(DownloadPlanTest, EachGateKeyRunsItsStepsWithTheirFolderAndDefaultCode) {
  struct Case {
    std::map<std::string, std::string> settings;
    std::vector<std::string> analysed;
  };
  const std::string lnovel = Url("/lnovel/") + " 193", book = Url("/book/") + " 0",
                    bunko = Url("/bunko/") + " 193", comic = Url("/comic/") + " 79";
  const std::vector<Case> cases = {
      {{{"DLLComic_Checked", "True"}}, {comic, comic, comic}},
      {{{"DLLBunko_Checked", "True"}}, {bunko, bunko, bunko}},
      {{{"DLLBooks_Checked", "True"}}, {lnovel, book, lnovel, book, lnovel, book}},
      {{{"DLLBooks_Checked", "true"}, {"DLLComic_Checked", "TRUE"}}, {}},
      {{{"DLLBooks_Checked", "True"}, {"DLLBunko_Checked", "True"}, {"DLLComic_Checked", "True"}},
       {lnovel, book, bunko, comic, lnovel, book, bunko, comic, lnovel, book, bunko, comic}},
  };
  for (const Case& c : cases) {
    ScratchDir scratch;
    FakePlanRun run(scratch);
    PutWholeSite(run);
    run.settings = c.settings;
    DownloadPlan(run);
    EXPECT_EQ(run.analysed, c.analysed);
    EXPECT_EQ(run.fetched.size(), c.analysed.size());
    EXPECT_EQ(run.log.size(), 1 + c.analysed.size());  // one line per page
  }
}

TEST_F(DownloadPlanTest, LogsEachPageOnceAsFailedUnchangedOrDownloaded) {
  run_.settings = {{"DLLComic_Checked", "True"}};
  run_.pages[Url("/comic/kongetsu.html")] = "<p>\nsame text\n";
  run_.pages[Url("/comic/raigetsu.html")] = "<p>\nnew text\n";
  // /comic/sengetsu.html is missing: its fetch fails.
  scratch_.Write("host/old/kasumido3.html", "<div>\nsame text\n");
  scratch_.Write("host/old/kasumido6.html", "<p>\nold text\n");
  scratch_.Write("host/old/kasumido9.html", "kept\n");
  DownloadPlan(run_);
  EXPECT_EQ(run_.log, (std::vector<std::string>{
                          Sjis("*** 霞堂書店DLL ***"),
                          LogLine("/comic/kongetsu.html", "スキップ"),
                          LogLine("/comic/raigetsu.html", "ダウンロード"),
                          LogLine("/comic/sengetsu.html", "失敗"),
                      }));
  EXPECT_EQ(run_.analysed, std::vector<std::string>{Url("/comic/") + " 79"});
  EXPECT_EQ(run_.SavedCopy("kasumido3.html"), "<div>\nsame text\n");  // left unchanged
  EXPECT_EQ(run_.SavedCopy("kasumido6.html"), "<p>\nnew text\n");     // refreshed
  EXPECT_EQ(run_.SavedCopy("kasumido9.html"), "kept\n");              // failed: untouched
}

TEST_F(DownloadPlanTest, EditedCheckIsOffOnlyForTheExactWordFalse) {
  struct Case {
    const char* value;  // nullptr: key missing
    bool analysed;
  };
  const std::vector<Case> cases = {{nullptr, false}, {"True", false}, {"false", false},
                                   {"FALSE", false}, {"", false},     {"False", true}};
  for (const Case& c : cases) {
    ScratchDir scratch;
    FakePlanRun run(scratch);
    run.settings = {{"DLLBunko_Checked", "True"}};
    if (c.value) run.settings["CheckEdited_Checked"] = c.value;
    run.pages[Url("/bunko/kongetsu.html")] = "unchanged\n";
    scratch.Write("host/old/kasumido2.html", "unchanged\n");
    DownloadPlan(run);
    EXPECT_EQ(run.analysed.size(), c.analysed ? 1u : 0u) << (c.value ? c.value : "(missing)");
  }
}

TEST_F(DownloadPlanTest, SecondRunSkipsUnchangedPagesButStepsSharingACopyCompareEachOther) {
  run_.settings = {{"DLLBooks_Checked", "True"}};
  PutWholeSite(run_);
  DownloadPlan(run_);
  ASSERT_EQ(run_.analysed.size(), 6u);
  // Second run: same site, except that the book page of next month now equals the
  // light-novel page of next month that it shares its saved copy with.
  run_.pages[Url("/book/raigetsu.html")] = run_.pages[Url("/lnovel/raigetsu.html")];
  run_.log.clear();
  DownloadPlan(run_);
  EXPECT_EQ(run_.log, (std::vector<std::string>{
                          Sjis("*** 霞堂書店DLL ***"),
                          LogLine("/lnovel/kongetsu.html", "スキップ"),
                          LogLine("/book/kongetsu.html", "スキップ"),
                          LogLine("/lnovel/raigetsu.html", "ダウンロード"),
                          LogLine("/book/raigetsu.html", "スキップ"),
                          LogLine("/lnovel/sengetsu.html", "ダウンロード"),
                          LogLine("/book/sengetsu.html", "ダウンロード"),
                      }));
  EXPECT_EQ(run_.SavedCopy("kasumido7.html"), run_.pages[Url("/book/sengetsu.html")]);
}

TEST_F(DownloadPlanTest, SkipDuringAnalysisKeepsThePageUnsavedAndTheNextStepStartsClear) {
  run_.settings = {{"DLLBunko_Checked", "True"}, {"DLLComic_Checked", "True"}};
  PutWholeSite(run_);
  run_.OnAnalyse = [this](std::size_t count) { run_.skip = count == 1; };  // step 3
  DownloadPlan(run_);
  EXPECT_EQ(run_.SavedCopy("kasumido2.html"), "");  // skipped: never saved
  EXPECT_EQ(run_.SavedCopy("kasumido3.html"), run_.pages[Url("/comic/kongetsu.html")]);
  EXPECT_EQ(run_.analysed.size(), 6u);
  // The skip is cleared before step 4 fetches.
  const auto analyse3 =
      std::find(run_.events.begin(), run_.events.end(), "analyse " + Url("/bunko/"));
  ASSERT_NE(analyse3, run_.events.end());
  EXPECT_EQ(*(analyse3 + 1), "clear skip");
}

TEST_F(DownloadPlanTest, StopDuringAnalysisEndsThePlanAndLeavesTheWorkingFile) {
  run_.settings = {{"DLLBooks_Checked", "True"}, {"DLLBunko_Checked", "True"}};
  PutWholeSite(run_);
  run_.OnAnalyse = [this](std::size_t count) { run_.stop = count == 5; };  // step 6
  DownloadPlan(run_);
  EXPECT_EQ(run_.view.captions.size(), 6u);
  EXPECT_EQ(run_.view.captions.back(), kPlanSteps[5].caption);
  EXPECT_EQ(run_.fetched.back(), Url("/book/raigetsu.html"));
  EXPECT_EQ(run_.SavedCopy("kasumido4.html"), run_.pages[Url("/lnovel/raigetsu.html")]);
  EXPECT_TRUE(std::filesystem::exists(run_.WorkingFile()));
}

TEST_F(DownloadPlanTest, ReadsTheGateKeysAfreshAtEveryStep) {
  run_.settings = {{"DLLBooks_Checked", "True"}, {"DLLComic_Checked", "True"}};
  PutWholeSite(run_);
  run_.OnAnalyse = [this](std::size_t count) {
    if (count == 1) run_.settings["DLLComic_Checked"] = "False";
    if (count == 2) run_.settings["DLLBunko_Checked"] = "True";
  };
  DownloadPlan(run_);
  EXPECT_EQ(
      run_.fetched,
      (std::vector<std::string>{
          Url("/lnovel/kongetsu.html"), Url("/book/kongetsu.html"), Url("/bunko/kongetsu.html"),
          Url("/lnovel/raigetsu.html"), Url("/book/raigetsu.html"), Url("/bunko/raigetsu.html"),
          Url("/lnovel/sengetsu.html"), Url("/book/sengetsu.html"), Url("/bunko/sengetsu.html")}));
}

TEST_F(DownloadPlanTest, AnExceptionFromAStepEndsThePlanAndReachesTheCaller) {
  run_.settings = {{"DLLBooks_Checked", "True"}};
  PutWholeSite(run_);
  run_.OnAnalyse = [](std::size_t) { throw std::runtime_error("page broken"); };
  EXPECT_THROW(DownloadPlan(run_), std::runtime_error);
  EXPECT_EQ(run_.fetched.size(), 1u);
}

TEST_F(DownloadPlanTest, AFailedCopyToOldOnlyMakesThePageCountAsChangedNextTime) {
  std::filesystem::remove_all(scratch_.Path() / "host" / "old");
  scratch_.Write("host/old", "a file where the folder should be");
  run_.settings = {{"DLLComic_Checked", "True"}};
  PutWholeSite(run_);
  DownloadPlan(run_);
  DownloadPlan(run_);
  EXPECT_EQ(run_.analysed.size(), 6u);
}

}  // namespace
}  // namespace kasumido
