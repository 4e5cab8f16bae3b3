// Download runs in the real window: the DownloadWindow wired to a real TFormDLL as the
// program wires them (ConnectDownloadWindow), over the Qt event loop, against a scripted
// loopback server that serves the sample site with chosen pages replaced or held open.
// The test steers the run from a timer of the loop, as a user's clicks would arrive:
// nested inside the run's waits.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "analysis/detail_analysis.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/views/about_dialog.h"
#include "platform/qt/views/download_window.h"
#include "platform/qt/views/window_mode.h"
#include "shell/run_layout.h"
#include "site_server/site_files.h"
#include "support/encoding.h"
#include "support/scripted_http_server.h"
#include "view_test_support.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Script;
using Buttons = std::array<bool, 4>;  // Play, Skip, Stop, Pause

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kComicNext = "/comic/raigetsu.html";
const std::string kComicLast = "/comic/sengetsu.html";
const std::map<std::string, std::string> kComicOnly = {{"DLLComic_Checked", "True"},
                                                       {"TimeOut_Text", "20"}};

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The sample site behind a scripted server: a target can be answered by a script of the
// test's own or held open without an answer (once); every other one is served from
// samples/site.
class SteeredSite {
 public:
  SteeredSite() {
    server_.SetHandler([this](const wire::RequestHead& head) {
      std::lock_guard<std::mutex> lock(mutex_);
      targets_.push_back(head.target);
      if (holds_.erase(head.target) != 0) return Script().HoldOpen();
      const auto answer = answers_.find(head.target);
      if (answer != answers_.end()) return answer->second;
      const std::filesystem::path root =
          std::filesystem::path(KASUMIDO_SOURCE_DIR) / "samples/site";
      return Script::Bytes(site::AnswerSiteRequest(root, head).response);
    });
  }
  std::string Origin() const { return server_.Origin(); }
  void Hold(const std::string& target) {
    std::lock_guard<std::mutex> lock(mutex_);
    holds_.insert(target);
  }
  void Answer(const std::string& target, Script script) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert_or_assign(target, std::move(script));
  }
  // A listing page linking `links` (relative to the listing's folder), in order.
  void Listing(const std::string& target, const std::vector<std::string>& links) {
    std::string page = "<html>\n<body>\n";
    for (const std::string& link : links) page += "<A HREF=\"" + link + "\">book</A><br>\n";
    Answer(target, Script::Ok(page + "</body>\n</html>\n"));
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
  std::map<std::string, Script> answers_;
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
  void RunThrough(const std::vector<Step>& steps, std::chrono::milliseconds limit = 20s) {
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
    guard.start(limit + 5s);
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
  // The run log's lines as UTF-8 between the START block and the END line ("END").
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

TEST_F(WindowRunTest, ButtonsFollowTheRunThroughPauseResumeSkipAndStop) {
  site_.Hold(kComicNow);
  site_.Hold(kComicNext);
  Create(kComicOnly);
  RunThrough({
      {"the first listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonPause");
       }},
      {"paused", [&] { return form_->Paused(); },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{true, true, true, false}));
         Click("ButtonPlay");
       }},
      {"resumed", [&] { return !form_->Paused() && ButtonStates()[3]; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonSkip");
       }},
      {"the next listing in transfer", [&] { return site_.Count(kComicNext) == 1; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonPause");
       }},
      {"paused again", [&] { return form_->Paused(); }, [&] { Click("ButtonStop"); }},
      {"stopped during the pause", [&] { return form_->StopRequested() && !form_->Paused(); },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, false, false, false}));
       }},
  });
  EXPECT_EQ(ButtonStates(), (Buttons{false, false, false, false}));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(site_.Targets(), (std::vector<std::string>{kComicNow, kComicNext}));
  form_.reset();
  EXPECT_EQ(PlanLines(), (std::vector<std::string>{"*** 霞堂書店DLL ***", "スキップボタン押下",
                                                   Url(kComicNow) + " 失敗", "停止ボタン押下",
                                                   Url(kComicNext) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, SkipPressedTwiceMarksTheCaptionOnceAndIsLoggedTwice) {
  site_.Hold(kComicNow);
  site_.Answer(kComicNext, Script::NotFound());
  site_.Answer(kComicLast, Script::NotFound());
  Create(kComicOnly);
  RunThrough({{"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
               [&] {
                 QPushButton* skip = window_->findChild<QPushButton*>("ButtonSkip");
                 QTimer::singleShot(0, skip, [skip] {
                   QTest::mouseClick(skip, Qt::LeftButton);
                   QTest::mouseClick(skip, Qt::LeftButton);
                 });
               }}});
  const std::vector<std::string> expected_captions = {
      "霞堂書店ダウンロード",     "ラノベ今月ダウンロード",   "書籍今月ダウンロード",
      "文庫今月ダウンロード",     "コミック今月ダウンロード", "コミック今月ダウンロードスキップ...",
      "ラノベ来月ダウンロード",   "書籍来月ダウンロード",     "文庫来月ダウンロード",
      "コミック来月ダウンロード", "ラノベ先月ダウンロード",   "書籍先月ダウンロード",
      "文庫先月ダウンロード",     "コミック先月ダウンロード"};
  EXPECT_EQ(window_->captions, expected_captions);
  form_.reset();
  EXPECT_EQ(PlanLines(), (std::vector<std::string>{"*** 霞堂書店DLL ***", "スキップボタン押下",
                                                   "スキップボタン押下", Url(kComicNow) + " 失敗",
                                                   Url(kComicNext) + " 失敗",
                                                   Url(kComicLast) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, StatusBarShowsEachTransferWithItsUrlAsTheHint) {
  const std::string body(120, 'x');
  const struct {
    const char* what;
    Script answer;
    std::vector<std::string> texts;  // shown while the listing's URL is the hint
  } cases[] = {
      {"a body in three pieces",
       Script()
           .Send(test::ResponseBytes("HTTP/1.0 200 OK", {"Content-Length: 120"}, ""))
           .Dribble(body, 40, 150ms),
       {"GetKasumido.html: 40 Bytes", "GetKasumido.html: 80 Bytes", "GetKasumido.html: 120 Bytes",
        "Received 120 bytes"}},
      {"an error status",
       Script::Bytes(test::ResponseBytes("HTTP/1.0 404 Not Found", {"Content-Length: 0"}, "")),
       {"GetKasumido.html: 404 Not Found"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    site_.Answer(kComicNow, c.answer);
    site_.Answer(kComicNext, Script::NotFound());
    site_.Answer(kComicLast, Script::NotFound());
    form_.reset();
    window_.reset();
    run_returned_ = false;
    Create(kComicOnly);
    RunThrough({});
    std::vector<std::string> texts;
    for (const auto& [text, hint] : window_->statuses) {
      if (hint == Url(kComicNow)) texts.push_back(text);
    }
    EXPECT_EQ(texts, c.texts);
    ASSERT_FALSE(window_->statuses.empty());
    // The last listing's failure is what the status bar still shows at the end.
    EXPECT_EQ(window_->statuses.back(),
              std::make_pair(std::string("GetKasumido.html: 404 Not Found"), Url(kComicLast)));
  }
}

TEST_F(WindowRunTest, TheMemoShowsTheTitleOfEachAnalysedPage) {
  site_.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
  site_.Answer(kComicNext, Script::NotFound());
  site_.Answer(kComicLast, Script::NotFound());
  Create(kComicOnly);
  RunThrough({});
  EXPECT_EQ(MemoLines(),
            QStringList({test::Q("花冠のレイディ 3"), test::Q("鉄と硝煙のブルース 5")}));
  EXPECT_EQ(window_->TitleCount(), 2);
}

TEST_F(WindowRunTest, TheTitleListIsClearedBeforeALineWhenItHoldsMoreThanAHundred) {
  struct Case {
    const char* what;
    std::vector<std::string> titles;
    int lines;         // lines of the memo at the end
    std::string last;  // its last line
  };
  const auto many = [](int count, const std::string& title) {
    return std::vector<std::string>(static_cast<std::size_t>(count), title);
  };
  const auto then = [](std::vector<std::string> titles, const std::string& title) {
    titles.push_back(title);
    return titles;
  };
  const std::vector<Case> cases = {
      {"a hundred and one stay", then(many(100, "t"), "last"), 101, "last"},
      {"the hundred and second clears first", then(many(101, "t"), "last"), 1, "last"},
      {"empty titles are lines too", then(many(101, ""), "last"), 1, "last"},
      {"a title with a line break is two lines", then(many(50, "a\r\nb"), "c"), 101, "c"},
      {"so fifty-one of them fill it", then(then(many(50, "a\r\nb"), "c"), "d"), 1, "d"},
  };
  Create({});
  for (const Case& c : cases) {
    window_->ClearTitles();
    for (const std::string& title : c.titles) EchoTitle(*form_, title);
    const QStringList lines = MemoLines();
    EXPECT_EQ(lines.size(), c.lines) << c.what;
    EXPECT_EQ(form_->TitleCount(), static_cast<size_t>(c.lines)) << c.what;
    EXPECT_EQ(Utf8(lines.back()), c.last) << c.what;
  }
}

TEST_F(WindowRunTest, ClosingTheWindowDuringATransferEndsTheRunWithItsEndLine) {
  site_.Hold(kComicNow);
  Create(kComicOnly);  // a time-out of 20 s: only the close can end the transfer early
  RunThrough({{"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
               [&] { window_->windowHandle()->close(); }}});
  EXPECT_LT(run_millis_, 10000);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(form_->StopRequested());
  EXPECT_EQ(site_.Targets(), std::vector<std::string>{kComicNow});
  form_.reset();
  EXPECT_EQ(PlanLines(),
            (std::vector<std::string>{"*** 霞堂書店DLL ***", Url(kComicNow) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, LaterActivationsStartNoSecondRun) {
  site_.Hold(kComicNow);
  Create(kComicOnly);
  RunThrough({
      {"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
       [&] {
         Activate();
         Activate();
       }},
      {"both activations returned inside the run", [&] { return nested_returns_ >= 2; },
       [&] {
         EXPECT_EQ(site_.Targets().size(), 1u);
         Click("ButtonStop");
       }},
  });
  // After the run: shown and activated again, the window starts nothing.
  const int before = activations_;
  window_->show();
  Activate();
  ASSERT_TRUE(test::PumpUntil([&] { return activations_ > before; }));
  test::PumpPending();
  EXPECT_EQ(site_.Targets(), std::vector<std::string>{kComicNow});
  form_.reset();
  const std::vector<std::string> plan = PlanLines();
  EXPECT_EQ(std::count(plan.begin(), plan.end(), "*** 霞堂書店DLL ***"), 1);
  EXPECT_EQ(std::count(plan.begin(), plan.end(), "END"), 1);
}

TEST_F(WindowRunTest, HomePageAndTheVersionDialogsLinksOpenThroughTheDesktop) {
  // A stand-in for xdg-open that notes each address it is given.
  const std::string opened = layout_.scratch.File("opened.txt");
  layout_.scratch.Write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
  std::filesystem::permissions(layout_.scratch.Path() / "bin/xdg-open",
                               std::filesystem::perms::owner_all);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(layout_.scratch.File("bin")) + ":" + path);
  Create({});
  window_->findChild<QAbstractButton*>("SpeedButtonURL")->click();
  ASSERT_TRUE(test::PumpUntil([&] { return test::ReadFile(opened).size() > 0; }));
  window_->findChild<QAbstractButton*>("SpeedButtonAbout")->click();
  QWidget* dialog = window_->AboutForm();
  ASSERT_NE(dialog, nullptr);
  // One click at a time: each starts a program of its own.
  std::string expected = site_.Origin() + "/\n";
  for (const char* link : {"Label3", "Label4"}) {
    QTest::mouseClick(dialog->findChild<QLabel*>(link), Qt::LeftButton);
    expected += link == std::string("Label3") ? "https://kasumido.example/\n"
                                              : "https://kasumido.example/bbs/\n";
    EXPECT_TRUE(test::PumpUntil([&] { return test::ReadFile(opened).size() >= expected.size(); }));
  }
  qputenv("PATH", path);
  EXPECT_EQ(test::ReadFile(opened), expected);
  EXPECT_FALSE(form_->Activated());  // the window was never shown: no run
}

}  // namespace
}  // namespace kasumido
