#include "ui/qt/about_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "kasumido/texts.h"
#include "support/encoding.h"
#include "ui/qt/main_icon.h"
#include "view_test_support.h"

namespace kasumido {
namespace {

using test::PumpPending;
using test::Q;

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

template <typename T>
T* Child(const QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(AboutDialog, ShowsTheProgramsOwnVersionRecordAtItsPlaces) {
  AboutDialog dialog(ReadAboutContent(SelfPath()), AboutRole::kOpenedFromWindow);
  dialog.show();
  PumpPending();
  EXPECT_EQ(dialog.windowTitle(), Q("バージョン情報"));
  EXPECT_EQ(dialog.size(), QSize(334, 204));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(240, 251, 255));
  const struct {
    const char* name;
    QPoint place;
    QString text;
  } labels[] = {
      {"LabelTitle", {80, 8}, Q(test::Utf8FromSjis(std::string(texts::kProductName)))},
      {"LabelVersion", {80, 32}, Q("バージョン " KASUMIDO_PROJECT_VERSION)},
      {"LabelCopyLeft", {80, 56}, Q("作者 " KASUMIDO_VERSION_COPYRIGHT)},
      {"Label2", {8, 76}, Q("最新バージョンはこのホームページからダウンロードできます。")},
      {"Label3", {32, 96}, Q("https://kasumido.example/")},
      {"Label1", {8, 120}, Q("要望、感想、質問、バグなどは、こちらのBBSまでご連絡ください")},
      {"Label4", {32, 144}, Q("https://kasumido.example/bbs/")},
  };
  for (const auto& l : labels) {
    const QLabel* label = Child<QLabel>(dialog, l.name);
    EXPECT_EQ(label->text(), l.text) << l.name;
    EXPECT_EQ(label->pos(), l.place) << l.name;
    EXPECT_TRUE(label->isVisible()) << l.name;
    const bool link = std::string_view(l.name) == "Label3" || std::string_view(l.name) == "Label4";
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              link ? QColor(0, 0, 255) : QColor(0, 0, 128))
        << l.name;
    EXPECT_EQ(label->font().underline(), link) << l.name;
    if (link) {
      EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
      EXPECT_EQ(label->toolTip(), Q("ホームページを開く"));
    }
  }
  const QPushButton* ok = Child<QPushButton>(dialog, "BtnCancel");
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->geometry(), QRect(127, 169, 75, 25));
  EXPECT_EQ(dialog.focusWidget(), ok);
}

TEST(AboutDialog, DrawsTheIconEnlargedFromItsWorkSurface) {
  AboutDialog dialog(ReadAboutContent(SelfPath()), AboutRole::kOpenedFromWindow);
  const QLabel* main = Child<QLabel>(dialog, "ImageMain");
  const QLabel* sub = Child<QLabel>(dialog, "ImageSub");
  EXPECT_EQ(main->geometry(), QRect(8, 8, 64, 64));
  EXPECT_EQ(sub->geometry(), QRect(232, 16, 32, 32));
  EXPECT_TRUE(sub->isHidden());
  const QImage icon = MainIconPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(icon.size(), QSize(32, 32));
  const QImage enlarged = main->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(enlarged.size(), QSize(64, 64));
  int differing = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) differing += enlarged.pixel(x, y) != icon.pixel(x / 2, y / 2);
  }
  EXPECT_EQ(differing, 0);
}

TEST(AboutDialog, LinksOpenTheMakersPagesAndTheDialogStays) {
  AboutDialog dialog(ReadAboutContent(SelfPath()), AboutRole::kOpenedFromWindow);
  std::vector<std::string> opened;
  dialog.OnOpenLink = [&](const std::string& url) { opened.push_back(url); };
  dialog.show();
  PumpPending();
  QTest::mouseClick(Child<QLabel>(dialog, "Label3"), Qt::LeftButton);
  QTest::mouseClick(Child<QLabel>(dialog, "Label4"), Qt::LeftButton);
  QTest::mouseClick(Child<QLabel>(dialog, "Label1"), Qt::LeftButton);  // not a link
  QTest::mouseClick(Child<QLabel>(dialog, "Label3"), Qt::RightButton);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://kasumido.example/",
                                              "https://kasumido.example/bbs/"}));
  EXPECT_TRUE(dialog.isVisible());
}

TEST(AboutDialog, OkEscAndTheTitleBarCloseIt) {
  const struct {
    const char* what;
    std::function<void(AboutDialog&)> close;
  } ways[] = {
      {"OK",
       [](AboutDialog& d) {
         QTest::mouseClick(Child<QPushButton>(d, "BtnCancel"), Qt::LeftButton);
       }},
      {"Esc", [](AboutDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
      {"title bar", [](AboutDialog& d) { d.close(); }},
  };
  for (const auto& way : ways) {
    AboutDialog dialog(ReadAboutContent(SelfPath()), AboutRole::kOpenedFromWindow);
    int closes = 0;
    dialog.OnClose = [&] { ++closes; };
    dialog.show();
    PumpPending();
    way.close(dialog);
    EXPECT_FALSE(dialog.isVisible()) << way.what;
    EXPECT_EQ(closes, 1) << way.what;
    dialog.show();  // only hidden: it can be shown again
    EXPECT_TRUE(dialog.isVisible()) << way.what;
  }
}

TEST(AboutDialog, ClosingEndsTheEventLoopOnlyAsTheMainWindow) {
  const struct {
    AboutRole role;
    int exit_code;  // 0: the dialog ended the loop; 7: the loop ran on
  } cases[] = {{AboutRole::kMainWindow, 0}, {AboutRole::kOpenedFromWindow, 7}};
  for (const auto& c : cases) {
    AboutDialog dialog(ReadAboutContent(SelfPath()), c.role);
    dialog.show();
    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    QTimer guard;  // ends a loop that the dialog left running
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(300);
    EXPECT_EQ(QCoreApplication::exec(), c.exit_code);
    EXPECT_FALSE(dialog.isVisible());
  }
}

}  // namespace
}  // namespace kasumido
