// The harness of the window's run tests: the DownloadWindow wired to a real TFormDLL as
// the program wires them (ConnectDownloadWindow), over the Qt event loop, against a
// steered site whose listing pages the test writes, answers or holds open. A test steers
// the run from a timer of the loop, so its clicks arrive as a user's would: nested inside
// the run's waits.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window_mode.h"
#include "platform/qt/qt_event_loop.h"
#include "support/encoding.h"
#include "support/host_layout.h"
#include "support/steered_site.h"
#include "ui/qt/download_window.h"
#include "view_test_support.h"

namespace kasumido::test {

using Buttons = std::array<bool, 4>;  // Play, Skip, Stop, Pause

inline const std::string kComicNow = "/comic/kongetsu.html";
inline const std::string kComicNext = "/comic/raigetsu.html";
inline const std::string kComicLast = "/comic/sengetsu.html";
inline const std::map<std::string, std::string> kComicOnly = {{"DLLComic_Checked", "True"},
                                                              {"TimeOut_Text", "20"}};

inline std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The real window, noting what it showed each time the run set its caption or status.
class RecordingWindow : public DownloadWindow {
 public:
  using DownloadWindow::DownloadWindow;

  void SetPhaseCaption(std::string_view caption) override {
    DownloadWindow::SetPhaseCaption(caption);
    captions.push_back(Utf8(findChild<QLabel*>("Panel1Caption")->text()));
  }
  void SetStatusText(std::string_view text) override {
    DownloadWindow::SetStatusText(text);
    statuses.push_back({Utf8(findChild<QLabel*>("StatusText")->text()),
                        Utf8(findChild<QStatusBar*>("StatusBar1")->toolTip())});
  }

  std::vector<std::string> captions;
  // The status text as shown, with the status bar's hint at that moment.
  std::vector<std::pair<std::string, std::string>> statuses;
};

// One step of a scripted user: when ready() holds, act() checks and clicks.
struct Step {
  const char* what;
  std::function<bool()> ready;
  std::function<void()> act;
};

class WindowRunTest : public ::testing::Test {
 protected:
  WindowRunTest() : loop_(MakeEventLoop()) {}

  void Create(const std::map<std::string, std::string>& settings) {
    layout_.WriteSettings(settings);
    window_ = std::make_unique<RecordingWindow>(layout_.scratch.File("host/plugin"), ProgramFile());
    form_ = std::make_unique<TFormDLL>(*loop_, *window_, layout_.Setup(site_.Origin()));
    ConnectDownloadWindow(*window_, *form_);
    // Notes whether an activation returned inside the run or ended it.
    window_->OnActivate = [this, activate = window_->OnActivate] {
      ++activations_;
      ++depth_;
      activate();
      --depth_;
      if (depth_ > 0) ++nested_returns_;
      if (depth_ == 0 && form_->Activated()) run_returned_ = true;
    };
  }

  // Shows the window and runs the application's event loop as the program does: the
  // first activation runs the download and ends the loop. Meanwhile a timer of the loop
  // walks `steps` in order. A run still going after `limit` is ended by closing the
  // window, and the test fails.
  void RunThrough(const std::vector<Step>& steps,
                  std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    std::size_t next = 0;
    bool overdue = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      while (next < steps.size() && steps[next].ready()) {
        if (steps[next].act) steps[next].act();
        ++next;
      }
      if (!overdue && clock.elapsed() > limit.count()) {
        overdue = true;
        window_->close();
      }
    });
    poll.start();
    QTimer guard;  // ends a loop that the run's end left running
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(limit + std::chrono::seconds(5));
    window_->show();
    EXPECT_EQ(QCoreApplication::exec(), 0) << "the run's end did not end the event loop";
    ASSERT_TRUE(run_returned_);
    run_millis_ = clock.elapsed();
    // Steps whose moment came as the run ended.
    while (next < steps.size() && steps[next].ready()) {
      if (steps[next].act) steps[next].act();
      ++next;
    }
    EXPECT_FALSE(overdue) << "the run did not end in time";
    if (next < steps.size()) ADD_FAILURE() << "never came to: " << steps[next].what;
  }

  // A click as the user makes it: queued, so that it arrives through the event loop
  // (a pause click holds its handler until the pause ends).
  void Click(const char* name) {
    QPushButton* button = window_->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
  }
  void Activate() {
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window_.get(), &activate);
  }
  Buttons ButtonStates() const {
    Buttons states{};
    const char* names[] = {"ButtonPlay", "ButtonSkip", "ButtonStop", "ButtonPause"};
    for (std::size_t i = 0; i < states.size(); ++i) {
      states[i] = window_->findChild<QPushButton*>(names[i])->isEnabled();
    }
    return states;
  }
  QStringList MemoLines() const {
    return window_->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split(QChar('\n'));
  }
  std::vector<std::string> PlanLines() const { return layout_.PlanLines(); }
  std::string Url(const std::string& target) const { return site_.Origin() + target; }

  SteeredSite site_;
  HostLayout layout_;
  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<RecordingWindow> window_;
  std::unique_ptr<TFormDLL> form_;  // destroyed before the window (END line)
  int activations_ = 0;
  int depth_ = 0;
  int nested_returns_ = 0;
  bool run_returned_ = false;
  qint64 run_millis_ = 0;
};

}  // namespace kasumido::test
