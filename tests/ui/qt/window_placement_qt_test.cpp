#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/encoding.h"
#include "support/scratch_dir.h"
#include "ui/qt/download_window.h"
#include "view_test_support.h"

namespace kasumido {
namespace {

using test::PumpPending;

constexpr QRect kFirstGeometry(168, 102, 368, 237);

class DownloadWindowPlacementTest : public ::testing::Test {
 protected:
  DownloadWindowPlacementTest() { std::filesystem::create_directories(dir_.Path() / "plugin"); }

  std::unique_ptr<DownloadWindow> MakeWindow() const {
    return std::make_unique<DownloadWindow>(dir_.File("plugin"),
                                            std::filesystem::read_symlink("/proc/self/exe"));
  }
  std::string Ini() const { return dir_.Read("SHV.INI"); }

  test::ScratchDir dir_;
};

TEST_F(DownloadWindowPlacementTest, SavedOnCloseAndRestoredAtCreation) {
  {
    const std::unique_ptr<DownloadWindow> window = MakeWindow();
    EXPECT_EQ(window->WindowPlacement1().IniFileName(), dir_.File("plugin") + "/../SHV.INI");
    window->show();
    window->setGeometry(100, 120, 400, 300);
    PumpPending();
    window->close();
    EXPECT_EQ(Ini(),
              "[TFormDLL]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=1\r\nPixelsPerInch=96\r\n"
              "MinMaxPos=-1,-1,-1,-1\r\nNormPos=100,120,500,420\r\nVisible=1\r\n");
  }
  EXPECT_NE(Ini().find("Visible=1"), std::string::npos) << "not overwritten at destruction";
  const std::unique_ptr<DownloadWindow> restored = MakeWindow();
  EXPECT_EQ(restored->geometry(), QRect(100, 120, 400, 300));
}

TEST_F(DownloadWindowPlacementTest, MaximisedWindowComesBackMaximisedOverItsNormalGeometry) {
  {
    const std::unique_ptr<DownloadWindow> window = MakeWindow();
    window->setGeometry(50, 60, 300, 200);
    window->showMaximized();
    PumpPending();
    window->close();
  }
  EXPECT_NE(Ini().find("ShowCmd=3\r\n"), std::string::npos) << Ini();
  EXPECT_NE(Ini().find("NormPos=50,60,350,260\r\n"), std::string::npos) << Ini();
  const std::unique_ptr<DownloadWindow> restored = MakeWindow();
  restored->show();
  PumpPending();
  EXPECT_TRUE(restored->isMaximized());
  EXPECT_EQ(restored->normalGeometry(), QRect(50, 60, 300, 200));
}

TEST_F(DownloadWindowPlacementTest, UnusablePlacementGivesTheFirstGeometry) {
  const char* files[] = {
      "[TFormDLL]\r\nNormPos=5000,5000,5368,5237\r\n",  // off the screen
      "[TFormDLL]\r\nNormPos=garbage\r\n",
  };
  for (const char* file : files) {
    dir_.Write("SHV.INI", file);
    EXPECT_EQ(MakeWindow()->geometry(), kFirstGeometry) << file;
  }
}

TEST_F(DownloadWindowPlacementTest, UnwritableFileLeavesTheWindowAndTheFileAlone) {
  std::filesystem::create_directories(dir_.Path() / "SHV.INI" / "inside");
  {
    const std::unique_ptr<DownloadWindow> window = MakeWindow();
    EXPECT_EQ(window->geometry(), kFirstGeometry);
    window->show();
    PumpPending();
    window->close();
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "SHV.INI" / "inside"));
}

TEST_F(DownloadWindowPlacementTest, DestroyedWithoutClosingStillSavesAndKeepsTheHostsKeys) {
  const std::string host = "[TMain]\r\nTitle=" + test::Sjis("表示") + "\r\n";
  dir_.Write("SHV.INI", host);
  {
    const std::unique_ptr<DownloadWindow> window = MakeWindow();
    window->setGeometry(10, 20, 300, 200);
  }
  EXPECT_EQ(Ini(), host +
                       "[TFormDLL]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=1\r\nPixelsPerInch=96\r\n"
                       "MinMaxPos=-1,-1,-1,-1\r\nNormPos=10,20,310,220\r\nVisible=0\r\n");
}

}  // namespace
}  // namespace kasumido
