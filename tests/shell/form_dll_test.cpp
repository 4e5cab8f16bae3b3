#include "shell/form_dll.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "shell/fake_download_view.h"
#include "shell/run_handlers.h"
#include "support/encoding.h"
#include "support/host_layout.h"
#include "support/test_event_loop.h"
#include "text/paths.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Sjis;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Run control on the deterministic loop: no network, the clock moved by the waits.
class RunControlTest : public ::testing::Test {
 protected:
  RunControlTest() { form_ = MakeForm(); }

  std::unique_ptr<TFormDLL> MakeForm() {
    return std::make_unique<TFormDLL>(loop_, view_, layout_.Setup("http://site.test"));
  }
  // Switches the log on as the first activation does, without running the plan.
  void StartLog() {
    form_->LogFile1.SetLogFileName(layout_.Host("Shelvio.log"));
    form_->LogFile1.SetActive(true);
  }
  std::vector<std::string> Log() const { return layout_.LogLines(); }  // UTF-8

  test::TestEventLoop loop_;
  test::HostLayout layout_;
  test::FakeDownloadView view_;
  std::unique_ptr<TFormDLL> form_;
};

TEST_F(RunControlTest, FirstActivationRunsTheWholeRunOnceAndClosesTheView) {
  layout_.WriteSettings({});  // every category off
  form_->FormActivate();
  EXPECT_TRUE(form_->Activated());
  EXPECT_EQ(form_->HostDir(), JoinPath(layout_.Host("plugin"), ".."));
  EXPECT_TRUE(std::filesystem::is_directory(layout_.Host("old")));
  std::vector<std::string> lines = Log();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(StartsWith(lines[0], "--- START ---\t"));
  EXPECT_TRUE(StartsWith(lines[1], "Version "));
  EXPECT_EQ(lines[2], "*** 霞堂書店DLL ***");
  EXPECT_EQ(view_.captions.front(), Sjis("霞堂書店ダウンロード"));
  EXPECT_EQ(view_.captions.size(), 13u);
  EXPECT_EQ(view_.buttons, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(view_.close_count, 1);

  form_->FormActivate();  // switching away and back: nothing new
  EXPECT_EQ(Log().size(), 3u);
  EXPECT_EQ(view_.close_count, 1);

  form_.reset();  // the program ends: the END line
  lines = Log();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(StartsWith(lines[3], "--- END ---\t"));
}

TEST_F(RunControlTest, AnExceptionOutOfThePlanBecomesTheErrorLineAndTheRunStillEnds) {
  layout_.WriteSettings({{"DLLBooks_Checked", "True"}});
  // The temporary folder is a file: the listing page's file cannot be created.
  std::filesystem::remove_all(layout_.scratch.Path() / "temp");
  layout_.scratch.Write("temp", "not a folder");
  form_->FormActivate();
  const std::vector<std::string> lines = Log();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "Shelvio.log: 霞堂書店失敗. (C.ERROR)");
  EXPECT_EQ(view_.buttons, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(view_.close_count, 1);
}

TEST_F(RunControlTest, NoTemporaryFolderIsOneErrorAndNothingIsFetched) {
  layout_.WriteSettings({{"DLLBooks_Checked", "True"}});
  RunSetup setup = layout_.Setup("http://site.test");
  setup.temp_folder.clear();  // what TempFolder answers when no source is usable
  form_ = std::make_unique<TFormDLL>(loop_, view_, setup);
  form_->FormActivate();
  const std::vector<std::string> lines = Log();
  ASSERT_EQ(lines.size(), 3u);  // no plan: no "*** 霞堂書店DLL ***"
  EXPECT_EQ(lines[2], "Shelvio.log: 一時フォルダがありません (C.ERROR)");
  EXPECT_EQ(view_.captions, std::vector<std::string>{Sjis("霞堂書店ダウンロード")});
  EXPECT_EQ(view_.close_count, 1);
}

TEST_F(RunControlTest, AHostFolderThatCannotBeWrittenIsOneErrorAndNothingIsFetched) {
  layout_.WriteSettings({{"DLLBooks_Checked", "True"}});
  // A folder in the master file's place: it cannot be opened for appending (also as root).
  std::filesystem::create_directories(layout_.Host("ShelvioMas.csv"));
  const TimePoint started = loop_.Now();
  form_->FormActivate();
  const std::string message =
      Sjis("ホストのフォルダに書き込めないため、ダウンロードしません: ") + form_->MasterFilePath();
  EXPECT_TRUE(StartsWith(view_.status_text, message)) << view_.status_text;
  EXPECT_EQ(view_.status_hint, view_.status_text);
  const std::vector<std::string> lines = Log();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(StartsWith(lines[2], "Shelvio.log: " + test::Utf8FromSjis(message))) << lines[2];
  EXPECT_NE(lines[2].find("(C.ERROR)"), std::string::npos);
  EXPECT_EQ(view_.captions.size(), 0u) << "the plan ran";
  EXPECT_EQ(view_.buttons, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_GE(loop_.Now() - started, kProblemShownFor) << "the message was not shown a while";
  EXPECT_EQ(view_.close_count, 1);
  EXPECT_FALSE(std::filesystem::exists(layout_.Host("kasumido-write-check.tmp")));
}

TEST_F(RunControlTest, SkipMarksTheCaptionOnceAndLogsEveryPress) {
  StartLog();
  view_.SetPhaseCaption(Sjis("文庫今月ダウンロード"));
  form_->ButtonSkipClick();
  form_->ButtonSkipClick();
  EXPECT_TRUE(form_->SkipRequested());
  EXPECT_FALSE(form_->StopRequested());
  EXPECT_EQ(view_.PhaseCaption(), Sjis("文庫今月ダウンロードスキップ..."));
  const std::vector<std::string> lines = Log();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "スキップボタン押下"), 2);
  EXPECT_EQ(view_.buttons, (std::array<bool, 4>{false, true, true, true}));
}

TEST_F(RunControlTest, StopSetsTheFlagDisablesEveryButtonAndLogs) {
  StartLog();
  form_->ButtonStopClick();
  EXPECT_TRUE(form_->StopRequested());
  EXPECT_EQ(view_.buttons, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(Log().back(), "停止ボタン押下");
}

TEST_F(RunControlTest, PauseHoldsUntilResumeSkipStopOrClosing) {
  struct Case {
    const char* what;
    void (TFormDLL::*end)();
    std::array<bool, 4> buttons_after;
  };
  const std::vector<Case> cases = {
      {"resume", &TFormDLL::ButtonPlayClick, {false, true, true, true}},
      {"skip", &TFormDLL::ButtonSkipClick, {false, true, true, true}},
      {"stop", &TFormDLL::ButtonStopClick, {false, false, false, false}},
      {"close", &TFormDLL::FormClose, {false, true, true, true}},
  };
  for (const Case& c : cases) {
    form_ = MakeForm();
    view_.buttons = {false, true, true, true};
    std::array<bool, 4> buttons_during{};
    bool paused_during = false;
    const std::unique_ptr<Timer> timer = loop_.CreateTimer();
    timer->OnTimer = [&] {
      timer->SetEnabled(false);
      buttons_during = view_.buttons;
      paused_during = form_->Paused();
      (form_.get()->*c.end)();
    };
    timer->SetInterval(1s);
    timer->SetEnabled(true);
    const TimePoint start = loop_.Now();
    form_->ButtonPauseClick();
    const auto held = loop_.Now() - start;
    EXPECT_GE(held, 1s) << c.what;
    EXPECT_LE(held, 1100ms) << c.what;  // ends within one 100 ms slice
    EXPECT_TRUE(paused_during) << c.what;
    EXPECT_EQ(buttons_during, (std::array<bool, 4>{true, true, true, false})) << c.what;
    EXPECT_FALSE(form_->Paused()) << c.what;
    if (c.end == &TFormDLL::FormClose) {
      // Closing stops the run; the buttons are left as the pause found them.
      EXPECT_TRUE(form_->StopRequested());
    } else {
      EXPECT_EQ(view_.buttons, c.buttons_after) << c.what;
    }
  }
}

TEST_F(RunControlTest, UnhandledExceptionsGoToTheStatusBarAndTheLog) {
  StartLog();
  loop_.Post([] { throw std::runtime_error("socket gone"); });
  loop_.ProcessPendingEvents();
  EXPECT_EQ(view_.status_text, "socket gone");
  EXPECT_EQ(view_.status_hint, "socket gone");
  EXPECT_EQ(Log().back(), "Shelvio.log: socket gone (C.ERROR)");
  form_.reset();  // no longer installed once the run state is gone
  EXPECT_FALSE(loop_.OnUnhandledException);
}

// A view with the console's hooks only, and one with the window's optional hooks too.
struct ConsoleHooks {
  std::function<void()> OnPlayClick, OnSkipClick, OnStopClick, OnPauseClick, OnClose;
};
struct WindowHooks : ConsoleHooks {
  std::function<void()> OnActivate, OnUrlClick;
  std::function<void(const std::exception&)> OnUnhandledException;
};

TEST_F(RunControlTest, EachViewHookReachesTheHandlerOfItsControl) {
  ConsoleHooks console;
  ConnectRunHandlers(console, *form_);
  console.OnSkipClick();
  EXPECT_TRUE(form_->SkipRequested());
  EXPECT_FALSE(form_->StopRequested());
  console.OnStopClick();
  EXPECT_TRUE(form_->StopRequested());

  form_ = MakeForm();
  WindowHooks window;
  ConnectRunHandlers(window, *form_);
  window.OnClose();
  EXPECT_TRUE(form_->StopRequested());
  window.OnUnhandledException(std::runtime_error("from a hook"));
  EXPECT_EQ(view_.status_text, "from a hook");
  layout_.WriteSettings({});
  window.OnActivate();
  EXPECT_TRUE(form_->Activated());
  EXPECT_EQ(view_.close_count, 1);
}

}  // namespace
}  // namespace kasumido
