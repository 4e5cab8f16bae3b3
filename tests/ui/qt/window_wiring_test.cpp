// The program's wiring of the window apart from a run: the title list as the analyses
// fill it, the links that open pages through the desktop, the application's setup.
#include <QAbstractButton>
#include <QApplication>
#include <filesystem>

#include "analysis/detail_analysis.h"
#include "platform/waits.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/window_application.h"
#include "window_run_fixture.h"

namespace kasumido {
namespace {

using WindowWiringTest = test::WindowRunTest;
using test::Utf8;

TEST_F(WindowWiringTest, TheTitleListIsClearedBeforeALineWhenItHoldsMoreThanAHundred) {
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

TEST_F(WindowWiringTest, HomePageAndTheVersionDialogsLinksOpenThroughTheDesktop) {
  // A stand-in for xdg-open that notes each address it is given.
  const std::string opened = layout_.scratch.File("opened.txt");
  layout_.scratch.Write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
  std::filesystem::permissions(layout_.scratch.Path() / "bin/xdg-open",
                               std::filesystem::perms::owner_all);
  struct PathRestore {
    QByteArray path = qgetenv("PATH");
    ~PathRestore() { qputenv("PATH", path); }
  } restore;
  qputenv("PATH", QByteArray::fromStdString(layout_.scratch.File("bin")) + ":" + restore.path);
  Create({});
  window_->findChild<QAbstractButton*>("SpeedButtonURL")->click();
  ASSERT_TRUE(test::PumpUntil([&] { return test::ReadFile(opened).size() > 0; }));
  window_->findChild<QAbstractButton*>("SpeedButtonAbout")->click();
  QWidget* dialog = window_->AboutForm();
  ASSERT_NE(dialog, nullptr);
  // One click at a time: each starts a program of its own.
  std::string expected = site_.Origin() + "/\n";
  const struct {
    const char* label;
    const char* url;
  } links[] = {{"Label3", "https://kasumido.example/"},
               {"Label4", "https://kasumido.example/bbs/"}};
  for (const auto& link : links) {
    QTest::mouseClick(dialog->findChild<QLabel*>(link.label), Qt::LeftButton);
    expected += std::string(link.url) + "\n";
    EXPECT_TRUE(test::PumpUntil([&] { return test::ReadFile(opened).size() >= expected.size(); }));
  }
  EXPECT_EQ(test::ReadFile(opened), expected);
  EXPECT_FALSE(form_->Activated());  // the window was never shown: no run
}

TEST(WindowApplication, IsNamedAfterTheProductAndOutlivesItsLastWindow) {
  SetUpWindowApplication();
  EXPECT_EQ(QCoreApplication::applicationName(), test::Q("霞堂書店プラグイン"));
  EXPECT_EQ(QApplication::windowIcon().pixmap(32, 32).size(), QSize(32, 32));
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

}  // namespace
}  // namespace kasumido
