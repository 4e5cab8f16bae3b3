// Real clicks in kasumido.exe's download window during runs over the comic pages, each
// while the site holds a request open: Pause and Resume, Skip, Stop, and the close box.
#include <thread>

#include "e2e/win32/program_windows.h"
#include "e2e/win32/whole_run_fixture.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

const std::string kHeldDetail = "/comic/detail/bk_detail.php?pcd=4001";
const std::string kFirstComics = "/comic/kongetsu.html";
constexpr std::array<bool, 4> kRunning{false, true, true, true};  // Play, Skip, Stop, Pause
constexpr std::array<bool, 4> kPaused{true, true, true, false};

// Pause while a detail page is held (time-out 4 s): nothing more is fetched while paused,
// Play and Pause swap; Resume swaps them back and the run goes on to its end.
TEST_F(WholeRun, PauseHoldsTheRunAndSwapsPlayAndPauseResumeGoesOn) {
  site_.Hold(kHeldDetail);
  host_.WriteSettings(ComicsOnly(4));
  Start();
  ASSERT_TRUE(site_.WaitFor(kHeldDetail));
  ASSERT_TRUE(ButtonsBecome(kRunning));
  Click(RunButton::kPause);
  ASSERT_TRUE(ButtonsBecome(kPaused));
  const std::vector<std::string> before = site_.Targets();
  std::this_thread::sleep_for(6s);  // past the time-out: unpaused, the run would ask again
  EXPECT_EQ(site_.Targets(), before);
  Click(RunButton::kPlay);
  EXPECT_TRUE(ButtonsBecome(kRunning));
  ASSERT_EQ(Finish(60s), 0);
  EXPECT_EQ(site_.Count(kHeldDetail), 2) << "asked for again after the resume";
  EXPECT_EQ(host_.PlanLines(0).back(), "END");
}

// Skip while a detail page is held: the listing is abandoned, the next steps run.
TEST_F(WholeRun, SkipAbandonsTheListingPageAndTheNextStepsRun) {
  site_.Hold(kHeldDetail);
  host_.WriteSettings(ComicsOnly(60));
  Start();
  ASSERT_TRUE(site_.WaitFor(kHeldDetail));
  Click(RunButton::kSkip);
  ASSERT_EQ(Finish(90s), 0);
  std::vector<std::string> lines =
      PlanLog(site_.Origin(),
              {"", "", "", "ダウンロード", "", "", "", "ダウンロード", "", "", "", "ダウンロード"},
              {{11, {kSiteDetailFailed}}});
  lines.insert(lines.begin() + 2, "スキップボタン押下");
  EXPECT_EQ(host_.PlanLines(0), lines);
}

// Stop, or the close box, while the first listing page is held: the run ends with the
// page failed, nothing more is fetched, and the log ends with its END line.
class StopDuringATransfer : public WholeRun {
 protected:
  void Check(bool by_stop) {
    site_.Hold(kFirstComics);
    host_.WriteSettings(ComicsOnly(60));
    Start();
    ASSERT_TRUE(site_.WaitFor(kFirstComics));
    if (by_stop) {
      Click(RunButton::kStop);
    } else {
      ASSERT_TRUE(ClickCloseBox(DownloadWindow())) << "no close box";
    }
    ASSERT_EQ(Finish(30s), 0);
    EXPECT_EQ(site_.Targets(), std::vector<std::string>{kFirstComics});
    std::vector<std::string> lines = {"*** 霞堂書店DLL ***"};
    if (by_stop) lines.push_back("停止ボタン押下");
    lines.push_back(site_.Origin() + kFirstComics + " 失敗");
    lines.push_back("END");
    EXPECT_EQ(host_.PlanLines(0), lines);
  }
};

TEST_F(StopDuringATransfer, ByStop) { Check(true); }
TEST_F(StopDuringATransfer, ByTheCloseBox) { Check(false); }

}  // namespace
}  // namespace kasumido::test
