// The harness of the window's run tests: the DownloadWindow wired to a real TFormDLL as
// the program wires them (ConnectDownloadWindow), over the Qt event loop, against a
// scripted loopback server that serves the sample site with chosen pages replaced or
// held open. A test steers the run from a timer of the loop, so its clicks arrive as a
// user's would: nested inside the run's waits.
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
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/window_mode.h"
#include "platform/qt/qt_event_loop.h"
#include "shell/run_layout.h"
#include "site_server/site_files.h"
#include "support/encoding.h"
#include "support/scripted_http_server.h"
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

// The sample site behind a scripted server: a target can be answered by a script of the
// test's own or held open without an answer (once); every other one is served from
// samples/site.
class SteeredSite {
 public:
  SteeredSite() {
    server_.SetHandler([this](const wire::RequestHead& head) {
      std::lock_guard<std::mutex> lock(mutex_);
      targets_.push_back(head.target);
      if (holds_.erase(head.target) != 0) return test::Script().HoldOpen();
      const auto answer = answers_.find(head.target);
      if (answer != answers_.end()) return answer->second;
      const std::filesystem::path root =
          std::filesystem::path(KASUMIDO_SOURCE_DIR) / "samples/site";
      return test::Script::Bytes(site::AnswerSiteRequest(root, head).response);
    });
  }
  std::string Origin() const { return server_.Origin(); }
  void Hold(const std::string& target) {
    std::lock_guard<std::mutex> lock(mutex_);
    holds_.insert(target);
  }
  void Answer(const std::string& target, test::Script script) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert_or_assign(target, std::move(script));
  }
  // A listing page linking `links` (relative to the listing's folder), in order.
  void Listing(const std::string& target, const std::vector<std::string>& links) {
    std::string page = "<html>\n<body>\n";
    for (const std::string& link : links) page += "<A HREF=\"" + link + "\">book</A><br>\n";
    Answer(target, test::Script::Ok(page + "</body>\n</html>\n"));
  }
  std::vector<std::string> Targets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return targets_;
  }
  int Count(const std::string& target) const {
    const std::vector<std::string> targets = Targets();
    return static_cast<int>(std::count(targets.begin(), targets.end(), target));
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::string> holds_;
  std::map<std::string, test::Script> answers_;
  std::vector<std::string> targets_;
  test::ScriptedHttpServer server_;  // last: stopped before the members above go
};

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
  // The run log's lines as UTF-8 without the START blocks; each END line as "END".
  std::vector<std::string> PlanLines() const {
    std::vector<std::string> lines;
    const std::string log = layout_.Log();
    for (std::size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      const std::string line = test::Utf8FromSjis(log.substr(start, end - start));
      if (line.rfind("--- START ---", 0) == 0 || line.rfind("Version ", 0) == 0) continue;
      lines.push_back(line.rfind("--- END ---", 0) == 0 ? "END" : line);
    }
    return lines;
  }
  std::string Url(const std::string& target) const { return site_.Origin() + target; }

  SteeredSite site_;
  test::RunLayout layout_;
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
