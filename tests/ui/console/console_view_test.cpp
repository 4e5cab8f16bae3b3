#include "ui/console/console_view.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/encoding.h"
#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Sjis;

// Reads everything written so far to the read end of a non-blocking pipe.
std::string Drain(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, got);
  return text;
}

class ConsoleViewTest : public ::testing::Test {
 protected:
  ConsoleViewTest() {
    EXPECT_EQ(pipe2(out_, O_NONBLOCK | O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(in_, O_NONBLOCK | O_CLOEXEC), 0);  // not a terminal: no keys
    view_ = std::make_unique<ConsoleView>(loop_, out_[1], in_[0]);
    view_->OnPlayClick = [this] { pressed_.push_back("play"); };
    view_->OnSkipClick = [this] { pressed_.push_back("skip"); };
    view_->OnStopClick = [this] { pressed_.push_back("stop"); };
    view_->OnPauseClick = [this] { pressed_.push_back("pause"); };
    view_->OnClose = [this] { pressed_.push_back("close"); };
  }
  ~ConsoleViewTest() override {
    view_.reset();
    for (int fd : {out_[0], out_[1], in_[0], in_[1]}) close(fd);
  }

  test::TestEventLoop loop_;
  int out_[2] = {-1, -1};
  int in_[2] = {-1, -1};
  std::unique_ptr<ConsoleView> view_;
  std::vector<std::string> pressed_;
};

TEST_F(ConsoleViewTest, PrintsCaptionsTitlesUrlsAndStatusAsUtf8Lines) {
  view_->SetPhaseCaption(Sjis("ラノベ今月ダウンロード"));
  view_->SetStatusHint("http://site.test/lnovel/kongetsu.html");
  view_->SetStatusText("Received 2048 bytes");
  view_->AddTitle(Sjis("星屑の航海士 上"));
  view_->AddTitle("\x83\xff");  // not Shift_JIS
  EXPECT_EQ(Drain(out_[0]),
            "== ラノベ今月ダウンロード\n"
            "-> http://site.test/lnovel/kongetsu.html\n"
            "   Received 2048 bytes\n"
            " * 星屑の航海士 上\n"
            " * \xEF\xBF\xBD\xEF\xBF\xBD\n");
  EXPECT_EQ(view_->TitleCount(), 2);
  EXPECT_EQ(view_->PhaseCaption(), Sjis("ラノベ今月ダウンロード"));
}

TEST_F(ConsoleViewTest, ShowsTransferProgressAtAReadableRateButEveryFinalText) {
  std::string expected;
  for (int i = 1; i <= 10; ++i) {
    view_->SetStatusText("GetKasumido.html: " + std::to_string(i * 100) + " Bytes");
    loop_.Advance(100ms);
  }
  view_->SetStatusText("Received 1000 bytes");
  view_->SetStatusText("GetKasumido2.html: 404 Not Found");
  EXPECT_EQ(Drain(out_[0]),
            "   GetKasumido.html: 100 Bytes\n"
            "   GetKasumido.html: 400 Bytes\n"
            "   GetKasumido.html: 700 Bytes\n"
            "   GetKasumido.html: 1000 Bytes\n"
            "   Received 1000 bytes\n"
            "   GetKasumido2.html: 404 Not Found\n");
}

TEST_F(ConsoleViewTest, KeysPressOnlyEnabledButtonsAndThePauseRunsFromTheLoop) {
  struct Case {
    char key;
    RunButton button;
    const char* pressed;
  };
  const std::vector<Case> cases = {{'r', RunButton::kPlay, "play"},
                                   {'s', RunButton::kSkip, "skip"},
                                   {'S', RunButton::kSkip, "skip"},
                                   {'q', RunButton::kStop, "stop"},
                                   {'p', RunButton::kPause, "pause"}};
  for (const Case& c : cases) {
    for (bool enabled : {false, true}) {
      pressed_.clear();
      view_->SetButtonEnabled(c.button, enabled);
      view_->PressKey(c.key);
      if (c.key == 'p') {
        EXPECT_TRUE(pressed_.empty());  // not inside the key's own handling
        loop_.ProcessPendingEvents();
      }
      EXPECT_EQ(pressed_,
                enabled ? std::vector<std::string>{c.pressed} : std::vector<std::string>{})
          << c.key << " enabled " << enabled;
    }
  }
  pressed_.clear();
  view_->PressKey('x');
  loop_.ProcessPendingEvents();
  EXPECT_TRUE(pressed_.empty());
}

TEST_F(ConsoleViewTest, ClosingTheViewTellsTheRunOnce) {
  view_->CloseView();
  view_->CloseView();
  EXPECT_EQ(pressed_, std::vector<std::string>{"close"});
  EXPECT_TRUE(view_->Closed());
}

TEST_F(ConsoleViewTest, SignalsReachTheLoopAsCloseAndThePreviousHandlingComesBack) {
  struct sigaction before {};
  sigaction(SIGTERM, nullptr, &before);
  view_->Start();
  for (int signal_number : {SIGTERM}) {
    raise(signal_number);
    EXPECT_TRUE(pressed_.empty());  // never handled inside the signal handler
    loop_.WaitForEvents(100ms);
    EXPECT_EQ(pressed_, std::vector<std::string>{"close"});
  }
  view_.reset();
  struct sigaction after {};
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(ConsoleViewTest, ASecondSignalEndsTheProgramAtOnceWithExitCodeZero) {
  const pid_t child = fork();
  if (child == 0) {
    test::TestEventLoop loop;
    ConsoleView view(loop, STDERR_FILENO, STDIN_FILENO);
    view.Start();
    raise(SIGINT);
    raise(SIGINT);
    _exit(3);  // not reached
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ConsoleViewTest, KeysComeFromTheTestControlFifo) {
  test::ScratchDir scratch;
  const std::string fifo = scratch.File("control");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  setenv("KASUMIDO_TEST_CONTROL", fifo.c_str(), 1);
  view_->Start();
  unsetenv("KASUMIDO_TEST_CONTROL");
  const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "sq", 2), 2);
  close(writer);  // the view keeps reading after a writer goes
  loop_.WaitForEvents(100ms);
  EXPECT_EQ(pressed_, (std::vector<std::string>{"skip", "stop"}));
  const int second = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(write(second, "r", 1), 1);
  close(second);
  view_->SetButtonEnabled(RunButton::kPlay, true);
  loop_.WaitForEvents(100ms);
  EXPECT_EQ(pressed_.back(), "play");
}

}  // namespace
}  // namespace kasumido
