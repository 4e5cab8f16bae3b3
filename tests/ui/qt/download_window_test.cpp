#include "ui/qt/download_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/waits.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"
#include "ui/qt/about_dialog.h"
#include "view_test_support.h"

namespace kasumido {
namespace {

using test::PumpPending;
using test::PumpUntil;
using test::Q;
using test::Sjis;

class DownloadWindowTest : public ::testing::Test {
 protected:
  DownloadWindowTest() { std::filesystem::create_directories(dir_.Path() / "plugin"); }

  std::unique_ptr<DownloadWindow> MakeWindow() const {
    return std::make_unique<DownloadWindow>(dir_.File("plugin"),
                                            std::filesystem::read_symlink("/proc/self/exe"));
  }
  template <typename T>
  static T* Child(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QStringList MemoLines(const DownloadWindow& window) const {
    return Child<QPlainTextEdit>(window, "Memo1")->toPlainText().split(QChar('\n'));
  }

  test::ScratchDir dir_;
};

TEST_F(DownloadWindowTest, PlacesItsControlsAsTheLayoutSays) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  window->show();
  PumpPending();
  EXPECT_EQ(window->geometry(), QRect(168, 102, 368, 237));
  EXPECT_EQ(window->minimumSize(), QSize(250, 150));
  EXPECT_EQ(window->windowTitle(), Q("霞堂書店データダウンロード中..."));
  // The Japanese font the setup script installs stands in for the one the layout names.
  EXPECT_EQ(window->font().pixelSize(), 12);
  EXPECT_TRUE(QStringList({Q("ＭＳ Ｐゴシック"), "IPAPGothic"}).contains(window->font().family()))
      << window->font().family().toStdString();
  const struct {
    const char* name;
    QRect geometry;  // in the parent's coordinates
    const char* text;
  } controls[] = {
      {"Panel1", {0, 0, 368, 41}, nullptr},
      {"SpeedButtonURL", {304, 8, 23, 22}, nullptr},
      {"SpeedButtonAbout", {328, 8, 23, 22}, nullptr},
      {"Memo1", {0, 41, 368, 146}, nullptr},
      {"Panel2", {0, 187, 368, 26}, nullptr},
      {"ButtonPlay", {8, 1, 81, 25}, "再開"},
      {"ButtonSkip", {97, 1, 81, 25}, "スキップ"},
      {"ButtonStop", {184, 1, 81, 25}, "停止"},
      {"ButtonPause", {272, 1, 81, 25}, "一時停止"},
      {"StatusBar1", {0, 213, 368, 24}, nullptr},
  };
  for (const auto& control : controls) {
    const QWidget* widget = Child<QWidget>(*window, control.name);
    if (widget == nullptr) continue;
    EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
    if (control.text != nullptr) {
      EXPECT_EQ(static_cast<const QPushButton*>(widget)->text(), Q(control.text));
    }
  }
  EXPECT_EQ(Child<QToolButton>(*window, "SpeedButtonURL")->toolTip(), Q("ホームページを開く"));

  // Widening the window keeps the run buttons at the left and the panels at full width.
  window->resize(500, 300);
  PumpPending();
  EXPECT_EQ(Child<QWidget>(*window, "ButtonPause")->geometry(), QRect(272, 1, 81, 25));
  EXPECT_EQ(Child<QWidget>(*window, "Panel2")->geometry(), QRect(0, 250, 500, 26));
  EXPECT_EQ(Child<QWidget>(*window, "Memo1")->geometry(), QRect(0, 41, 500, 209));
}

TEST_F(DownloadWindowTest, TabOrderRunsThroughTheRunButtonsInTheirOrder) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  const std::vector<QWidget*> buttons = {
      Child<QWidget>(*window, "ButtonPlay"), Child<QWidget>(*window, "ButtonSkip"),
      Child<QWidget>(*window, "ButtonStop"), Child<QWidget>(*window, "ButtonPause")};
  std::vector<QWidget*> order;
  QWidget* widget = buttons.front();
  do {
    if (std::find(buttons.begin(), buttons.end(), widget) != buttons.end()) order.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != buttons.front());
  EXPECT_EQ(order, buttons);
}

TEST_F(DownloadWindowTest, ShowsTheRunsChannelsInShiftJis) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  DownloadView& view = *window;
  // ソ and 表 end in 0x5C; the caption comes back byte for byte.
  const std::string caption = Sjis("ラノベ今月ダウンロードスキップ...ソ表");
  view.SetPhaseCaption(caption);
  EXPECT_EQ(view.PhaseCaption(), caption);
  EXPECT_EQ(Child<QLabel>(*window, "Panel1Caption")->text(),
            Q("ラノベ今月ダウンロードスキップ...ソ表"));

  view.SetStatusText("Received 1234 bytes");
  view.SetStatusHint("http://127.0.0.1:8080/lnovel/" + Sjis("表"));
  EXPECT_EQ(Child<QLabel>(*window, "StatusText")->text(), Q("Received 1234 bytes"));
  EXPECT_EQ(Child<QStatusBar>(*window, "StatusBar1")->toolTip(),
            Q("http://127.0.0.1:8080/lnovel/表"));
}

TEST_F(DownloadWindowTest, TitleListHoldsOneLinePerTitle) {
  const struct {
    const char* what;
    std::vector<std::string> titles;  // "" clears the list before the next titles
    QStringList lines;
  } cases[] = {
      {"none", {}, {""}},
      {"two", {"A", Sjis("ソードの表")}, {"A", Q("ソードの表")}},
      {"empty titles count", {"", "", "B"}, {"", "", "B"}},
      {"a title with line breaks", {"A\r\nB", "C\rD"}, {"A", "B", "C", "D"}},
  };
  for (const auto& c : cases) {
    const std::unique_ptr<DownloadWindow> window = MakeWindow();
    for (const std::string& title : c.titles) window->AddTitle(title);
    EXPECT_EQ(MemoLines(*window), c.lines) << c.what;
    EXPECT_EQ(window->TitleCount(), c.titles.empty() ? 0 : c.lines.size()) << c.what;
    window->ClearTitles();
    EXPECT_EQ(window->TitleCount(), 0);
    window->AddTitle("after");
    EXPECT_EQ(MemoLines(*window), QStringList{"after"}) << c.what;
    EXPECT_EQ(window->TitleCount(), 1);
  }
}

TEST_F(DownloadWindowTest, ButtonStatesGoThroughTheView) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  DownloadView& view = *window;
  const struct {
    RunButton button;
    const char* name;
    bool at_start;
  } buttons[] = {
      {RunButton::kPlay, "ButtonPlay", false},
      {RunButton::kSkip, "ButtonSkip", true},
      {RunButton::kStop, "ButtonStop", true},
      {RunButton::kPause, "ButtonPause", true},
  };
  for (const auto& b : buttons) {
    QPushButton* widget = Child<QPushButton>(*window, b.name);
    EXPECT_EQ(view.ButtonEnabled(b.button), b.at_start) << b.name;
    EXPECT_EQ(widget->isEnabled(), b.at_start) << b.name;
    view.SetButtonEnabled(b.button, !b.at_start);
    EXPECT_EQ(widget->isEnabled(), !b.at_start) << b.name;
    EXPECT_EQ(view.ButtonEnabled(b.button), !b.at_start) << b.name;
  }
}

TEST_F(DownloadWindowTest, ClickingAButtonCallsItsHook) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  window->show();
  PumpPending();
  std::vector<std::string> calls;
  window->OnPlayClick = [&] { calls.push_back("play"); };
  window->OnSkipClick = [&] { calls.push_back("skip"); };
  window->OnStopClick = [&] { calls.push_back("stop"); };
  window->OnPauseClick = [&] { calls.push_back("pause"); };
  window->OnUrlClick = [&] { calls.push_back("url"); };
  window->OnAboutClick = [&] { calls.push_back("about"); };
  const char* names[] = {"ButtonPlay",  "ButtonSkip",     "ButtonStop",
                         "ButtonPause", "SpeedButtonURL", "SpeedButtonAbout"};
  for (const char* name : names) {
    QTest::mouseClick(Child<QAbstractButton>(*window, name), Qt::LeftButton);
  }
  // Play is disabled at start: its click does nothing.
  EXPECT_EQ(calls, (std::vector<std::string>{"skip", "stop", "pause", "url", "about"}));
  window->SetButtonEnabled(RunButton::kPlay, true);
  QTest::mouseClick(Child<QAbstractButton>(*window, "ButtonPlay"), Qt::LeftButton);
  EXPECT_EQ(calls.back(), "play");
}

TEST_F(DownloadWindowTest, AboutButtonCreatesTheDialogOnceAndShowsItModeless) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  window->show();
  std::string opened;
  window->OnOpenLink = [&](const std::string& url) { opened = url; };
  EXPECT_EQ(window->AboutForm(), nullptr);
  QToolButton* about = Child<QToolButton>(*window, "SpeedButtonAbout");
  about->click();
  AboutDialog* dialog = window->AboutForm();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->Role(), AboutRole::kOpenedFromWindow);
  QTest::mouseClick(Child<QLabel>(*dialog, "Label3"), Qt::LeftButton);
  EXPECT_EQ(opened, "https://kasumido.example/");

  dialog->close();
  EXPECT_FALSE(dialog->isVisible());
  about->click();
  EXPECT_EQ(window->AboutForm(), dialog);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(DownloadWindowTest, WhatEscapesAHookGoesToTheApplicationHandler) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  std::vector<std::string> reported;
  window->OnSkipClick = [] { throw std::runtime_error("skip failed"); };
  window->OnStopClick = [] { throw 42; };
  window->OnUnhandledException = [&](const std::exception& error) {
    reported.push_back(error.what());
  };
  Child<QPushButton>(*window, "ButtonSkip")->click();
  Child<QPushButton>(*window, "ButtonStop")->click();
  window->OnClose = [] { throw std::logic_error("close failed"); };
  window->close();
  EXPECT_EQ(reported,
            (std::vector<std::string>{"skip failed", "unknown exception", "close failed"}));
}

TEST_F(DownloadWindowTest, ActivationRunsTheHookWhileTheWindowStaysResponsive) {
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  int activations = 0;
  int closes = 0;
  bool skipped_during_run = false;
  bool closed_during_run = false;
  window->OnSkipClick = [&] { skipped_during_run = activations == 1; };
  window->OnClose = [&] { ++closes; };
  window->OnActivate = [&] {
    if (++activations > 1) return;
    // The run: it pumps the loop, so a click queued now reaches the window inside it.
    QPushButton* skip = window->findChild<QPushButton*>("ButtonSkip");
    QTimer::singleShot(0, skip, [skip] { QTest::mouseClick(skip, Qt::LeftButton); });
    PumpUntil([&] { return skipped_during_run; });
    window->CloseView();
    closed_during_run = closes == 1 && !window->isVisible();
  };
  window->show();
  window->activateWindow();
  ASSERT_TRUE(PumpUntil([&] { return activations >= 1 && closes == 1; }));
  EXPECT_TRUE(skipped_during_run);
  EXPECT_TRUE(closed_during_run);

  // A later activation calls the hook again; the run controller ignores it.
  window->show();
  window->activateWindow();
  EXPECT_TRUE(PumpUntil([&] { return activations >= 2; }));
  EXPECT_EQ(closes, 1);
}

TEST_F(DownloadWindowTest, SavesAPictureOfItselfWhenTheEnvironmentAsks) {
  const std::string picture = dir_.File("window.png");
  qputenv("KASUMIDO_GRAB_WINDOW", QByteArray::fromStdString(picture));
  qputenv("KASUMIDO_GRAB_AFTER_MS", "10");
  const std::unique_ptr<DownloadWindow> window = MakeWindow();
  window->show();
  qunsetenv("KASUMIDO_GRAB_WINDOW");
  qunsetenv("KASUMIDO_GRAB_AFTER_MS");
  ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(picture); }));
  EXPECT_EQ(QImage(QString::fromStdString(picture)).size(), QSize(368, 237));
}

}  // namespace
}  // namespace kasumido
