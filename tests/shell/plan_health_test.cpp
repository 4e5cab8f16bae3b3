// The download plan keeps the site's health over its runs: each run is compared with the
// recent ones, each finding is a log line, and a listing page that gives no link where
// it used to is kept as evidence.
#include "shell/plan_health.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/fake_plan_run.h"

namespace kasumido {
namespace {

using test::FakePlanRun;
using test::Sjis;
using test::Url;

const std::vector<std::string> kLinks = {"detail/bk_detail.php?pcd=4001",
                                         "detail/bk_detail.php?pcd=4002",
                                         "detail/bk_detail.php?pcd=4003"};

class PlanHealthTest : public ::testing::Test {
 protected:
  PlanHealthTest() {
    // Only this month's comic page is served, analysed at every run.
    run_.settings = {{"DLLComic_Checked", "True"}, {"CheckEdited_Checked", "False"}};
    run_.pages[Url("/comic/kongetsu.html")] = "<p>\ncomic\n";
    run_.links[Url("/comic/")] = kLinks;
  }
  std::vector<std::string> Findings() const {
    std::vector<std::string> lines;
    for (const std::string& line : run_.log) {
      if (line.starts_with(Sjis("サイト点検: "))) lines.push_back(line);
    }
    return lines;
  }

  test::ScratchDir scratch_;
  FakePlanRun run_{scratch_};
};

TEST_F(PlanHealthTest, ARunLikeTheLastRaisesNothingAndTheHistoryKeepsEachRun) {
  for (int n = 0; n < 3; ++n) EXPECT_EQ(DownloadPlan(run_), 0u);
  EXPECT_TRUE(Findings().empty());
  EXPECT_TRUE(run_.evidence.empty());
  const HealthHistory history =
      HealthHistory::Load(scratch_.File("host/plugin/kasumidoHealth.txt"));
  ASSERT_EQ(history.Runs().size(), 3u);
  const StepHealth& comic = history.Runs().back().steps[3];
  EXPECT_EQ(comic.state, StepState::kAnalysed);
  EXPECT_EQ(comic.links, 3);
  EXPECT_EQ(comic.written, 3);
  EXPECT_EQ(comic.filled[static_cast<int>(BookField::kAuthor)], 3);
  EXPECT_EQ(history.Runs().back().steps[0].state, StepState::kNotRun);
  EXPECT_EQ(history.Runs().back().steps[7].state, StepState::kFailed);  // not served
}

TEST_F(PlanHealthTest, AFieldThatEmptiesIsReportedOnTheFirstRunAfter) {
  DownloadPlan(run_);
  for (const std::string& link : kLinks) {
    run_.fields[Url("/comic/") + link] = 0x7FF & ~FieldBit(BookField::kReleaseDate);
  }
  EXPECT_EQ(DownloadPlan(run_), 1u);
  EXPECT_EQ(Findings(),
            (std::vector<std::string>{
                Sjis("サイト点検: コミック今月 「発売日」が3冊すべてで空 (最近1回は100%の本で記入; "
                     "基準: 80%以上で記入の項目が3冊以上すべてで空) "
                     "詳細ページの形が変わった可能性")}));
}

TEST_F(PlanHealthTest, AListingThatStopsGivingLinksIsReportedAndKept) {
  DownloadPlan(run_);
  run_.links[Url("/comic/")] = {};
  EXPECT_EQ(DownloadPlan(run_), 1u);
  EXPECT_EQ(Findings().size(), 1u);
  EXPECT_EQ(run_.evidence, (std::vector<std::string>{Url("/comic/kongetsu.html") +
                                                     " listing page gave no detail link"}));
  // Neither a page that never gave links, nor one that gave none in half the recent
  // runs (the lower median) is news.
  run_.evidence.clear();
  run_.pages[Url("/comic/raigetsu.html")] = "<p>\nnext\n";
  EXPECT_EQ(DownloadPlan(run_), 0u);
  EXPECT_TRUE(run_.evidence.empty());
}

TEST_F(PlanHealthTest, AStoppedStepIsNotComparedAndADamagedHistoryStartsAfresh) {
  scratch_.Write("host/plugin/kasumidoHealth.txt", "not a history\r\n");
  DownloadPlan(run_);
  run_.OnAnalyse = [this](std::size_t) { run_.stop = true; };
  run_.links[Url("/comic/")] = {};
  EXPECT_EQ(DownloadPlan(run_), 0u);
  EXPECT_TRUE(Findings().empty());
  const HealthHistory history =
      HealthHistory::Load(scratch_.File("host/plugin/kasumidoHealth.txt"));
  EXPECT_EQ(history.State(), HealthHistory::LoadState::kLoaded);
  ASSERT_EQ(history.Runs().size(), 2u);
  EXPECT_EQ(history.Runs()[1].steps[3].state, StepState::kInterrupted);
}

}  // namespace
}  // namespace kasumido
