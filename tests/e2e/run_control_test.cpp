// Runs of the program steered from outside while they work: keys through the test control
// FIFO, signals, settings changed mid-run, a silent server, a killed run. The site is a
// steered site in this process, so each test can hold a chosen request open: a key is
// pressed while the run is held in a known place, never in a race with its progress.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/scratch_dir.h"
#include "support/steered_site.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

// The keys a test presses, through the FIFO the console view reads.
class Keys {
 public:
  Keys() : path_(dir_.File("keys")) { EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0); }
  std::map<std::string, std::string> Env() const { return {{"KASUMIDO_TEST_CONTROL", path_}}; }
  void Press(char key) const {
    const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << "the program does not read its keys";
    ASSERT_EQ(write(fd, &key, 1), 1);
    close(fd);
  }

 private:
  test::ScratchDir dir_;
  std::string path_;
};

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kComicNext = "/comic/raigetsu.html";
const std::string kComicLast = "/comic/sengetsu.html";
const std::string kDetail4001 = "/comic/detail/bk_detail.php?pcd=4001";
const std::string kDetail4002 = "/comic/detail/bk_detail.php?pcd=4002";

TEST(RunControl, SkipAbandonsThePageButTheHeldLinkIsStillTriedAndTheNextStepRuns) {
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
  site.Listing(kComicNext, {});
  site.Hold(kDetail4001);
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  Keys keys;
  const auto run = host.Start(site.Origin(), {}, keys.Env());
  ASSERT_TRUE(site.WaitFor(kDetail4001));
  keys.Press('s');
  EXPECT_EQ(run->Wait(30s), 0);
  // The aborted attempt is followed by a second one, which is analysed and written; the
  // next link is never followed and the page is not saved.
  EXPECT_EQ(site.Count(kDetail4001), 2);
  EXPECT_EQ(site.Count(kDetail4002), 0);
  EXPECT_EQ(host.MasterLines().size(), 1u);
  EXPECT_EQ(host.SavedCopy("kasumido3.html"), "");
  EXPECT_NE(host.SavedCopy("kasumido6.html"), "");  // the next step ran with skip cleared
  EXPECT_NE(run->Output().find("コミック今月ダウンロードスキップ..."), std::string::npos);
  const std::vector<std::string> plan = host.PlanLines(0);
  EXPECT_EQ(plan, (std::vector<std::string>{
                      "*** 霞堂書店DLL ***", site.Origin() + kComicNow + " ダウンロード",
                      "スキップボタン押下", site.Origin() + kComicNext + " ダウンロード",
                      site.Origin() + kComicLast + " 失敗", "END"}));
}

TEST(RunControl, StopKeyDuringATransferEndsTheRunWithoutAnotherRequest) {
  test::SteeredSite site;
  site.Hold(kComicNow);
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  Keys keys;
  const auto run = host.Start(site.Origin(), {}, keys.Env());
  ASSERT_TRUE(site.WaitFor(kComicNow));
  keys.Press('q');
  EXPECT_EQ(run->Wait(20s), 0);
  EXPECT_EQ(site.Targets(), std::vector<std::string>{kComicNow});
  EXPECT_EQ(host.PlanLines(0),
            (std::vector<std::string>{"*** 霞堂書店DLL ***", "停止ボタン押下",
                                      site.Origin() + kComicNow + " 失敗", "END"}));
  EXPECT_FALSE(host.TempHas("GetKasumido.html"));
}

TEST(RunControl, TerminationSignalStopsTheRunCleanlyWithItsEndLine) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    test::SteeredSite site;
    site.Hold(kComicNow);
    HostLayout host;
    host.WriteSettings({{"DLLComic_Checked", "True"}});
    const auto run = host.Start(site.Origin());
    ASSERT_TRUE(site.WaitFor(kComicNow));
    run->Signal(signal_number);
    EXPECT_EQ(run->Wait(20s), 0) << signal_number;
    EXPECT_EQ(site.Targets().size(), 1u) << signal_number;
    EXPECT_EQ(host.PlanLines(0),
              (std::vector<std::string>{"*** 霞堂書店DLL ***", site.Origin() + kComicNow + " 失敗",
                                        "END"}))
        << signal_number;
  }
}

TEST(RunControl, PauseHoldsTheRunUntilResumed) {
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
  // The first transfer of 4001 is held until its time-out: the pause key arrives while
  // the run waits there, seconds before the run could go on by itself.
  site.Hold(kDetail4001);
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "4"}});
  Keys keys;
  const auto run = host.Start(site.Origin(), {}, keys.Env());
  ASSERT_TRUE(site.WaitFor(kDetail4001));
  keys.Press('p');
  // Unpaused, the run retries 4001 about half a second after the time-out; paused, it
  // asks for nothing more, however long the pause lasts.
  std::this_thread::sleep_for(7s);
  EXPECT_EQ(site.Targets(), (std::vector<std::string>{kComicNow, kDetail4001}));
  keys.Press('r');
  EXPECT_EQ(run->Wait(30s), 0);
  EXPECT_EQ(site.Count(kDetail4001), 2);
  EXPECT_EQ(site.Count(kDetail4002), 1);
  EXPECT_EQ(host.MasterLines().size(), 2u);
}

TEST(RunControl, StopDuringAPauseEndsThePauseAndTheRun) {
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
  site.Hold(kDetail4001);  // time-out 60 s: only the keys move the run on
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  Keys keys;
  const auto run = host.Start(site.Origin(), {}, keys.Env());
  ASSERT_TRUE(site.WaitFor(kDetail4001));
  keys.Press('p');
  std::this_thread::sleep_for(2s);  // the pause has begun by then (a later one only ends sooner)
  keys.Press('q');
  EXPECT_EQ(run->Wait(20s), 0);
  EXPECT_EQ(site.Count(kDetail4002), 0);
  EXPECT_EQ(site.Count(kComicNext), 0);
  const std::vector<std::string> plan = host.PlanLines(0);
  EXPECT_NE(std::find(plan.begin(), plan.end(), "停止ボタン押下"), plan.end());
  EXPECT_EQ(plan.back(), "END");
  EXPECT_EQ(host.SavedCopy("kasumido3.html"), "");  // stopped during its analysis
  EXPECT_TRUE(host.TempHas("GetKasumido.html"));    // no final clean-up after a stop
}

TEST(RunControl, ASilentServerIsCutByTheTimeOutAndTheRunGoesOn) {
  test::SteeredSite site;
  site.Hold(kComicNow);
  site.Listing(kComicNext, {});
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "1"}});
  const auto run = host.Start(site.Origin());
  EXPECT_EQ(run->Wait(20s), 0);
  EXPECT_NE(run->Output().find("GetKasumido.html: 404 Connection aborted on request"),
            std::string::npos);
  EXPECT_EQ(host.PlanLines(0),
            (std::vector<std::string>{"*** 霞堂書店DLL ***", site.Origin() + kComicNow + " 失敗",
                                      site.Origin() + kComicNext + " ダウンロード",
                                      site.Origin() + kComicLast + " 失敗", "END"}));
}

TEST(RunControl, GateKeysChangedMidRunTakeEffectAtTheNextStep) {
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001"});
  site.Listing("/bunko/raigetsu.html", {});
  site.Listing("/bunko/sengetsu.html", {});
  site.Hold(kDetail4001);
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "4"}});
  const auto run = host.Start(site.Origin());
  ASSERT_TRUE(site.WaitFor(kDetail4001));
  // While step 4 waits on its detail page (held until the time-out): comic off, bunko on.
  host.WriteSettings({{"DLLBunko_Checked", "True"}, {"TimeOut_Text", "4"}});
  EXPECT_EQ(run->Wait(30s), 0);
  const std::vector<std::string> targets = site.Targets();
  EXPECT_EQ(site.Count(kComicNext), 0);
  EXPECT_EQ(site.Count(kComicLast), 0);
  EXPECT_EQ(site.Count("/bunko/raigetsu.html"), 1);
  EXPECT_EQ(site.Count("/bunko/sengetsu.html"), 1);
  EXPECT_EQ(site.Count("/bunko/kongetsu.html"), 0);  // its step had passed
}

TEST(RunControl, WithTheEditedCheckOffEveryPageIsAnalysedAgain) {
  test::SteeredSite site;
  site.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001"});
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"CheckEdited_Checked", "False"}});
  host.RunToEnd(site.Origin());
  host.RunToEnd(site.Origin());
  const std::vector<std::string> master = host.MasterLines();
  ASSERT_EQ(master.size(), 2u);
  EXPECT_EQ(master[0], master[1]);
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(
        host.PlanLines(run),
        (std::vector<std::string>{
            "*** 霞堂書店DLL ***", site.Origin() + kComicNow + " ダウンロード",
            site.Origin() + kComicNext + " 失敗", site.Origin() + kComicLast + " 失敗", "END"}));
  }
  EXPECT_NE(host.SavedCopy("kasumido3.html"), "");
}

TEST(RunControl, AKilledRunLeavesOnlyWholeLinesAndDoesNotBlockTheNextStart) {
  test::SteeredSite site;
  std::vector<std::string> links;
  for (int code : {4001, 4002, 4003, 4004, 4005}) {
    links.push_back("detail/bk_detail.php?pcd=" + std::to_string(code));
  }
  site.Listing(kComicNow, links);
  site.Hold("/comic/detail/bk_detail.php?pcd=4004", 0);  // the run writes three lines at most
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  const auto run = host.Start(site.Origin());
  ASSERT_TRUE(site.WaitFor("/comic/detail/bk_detail.php?pcd=4003"));
  run->Signal(SIGKILL);
  EXPECT_EQ(run->Wait(10s), -1);
  const std::vector<std::string> master = host.MasterLines();  // fails on a cut line
  EXPECT_GE(master.size(), 2u);
  EXPECT_LE(master.size(), 3u);
  for (const std::string& line : master) {
    EXPECT_EQ(line.front(), '"');
    EXPECT_EQ(line.back(), '"');
  }
  // The next start runs (the lock died with the killed run).
  host.WriteSettings({});
  host.RunToEnd(site.Origin());
  EXPECT_EQ(host.Runs(), 2);
  EXPECT_EQ(host.LogLines().back().rfind("--- END ---", 0), 0u);
}

}  // namespace
}  // namespace kasumido::e2e
