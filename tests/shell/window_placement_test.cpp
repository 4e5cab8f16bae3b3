#include "shell/window_placement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/scratch_dir.h"

namespace kasumido {

// Readable failure messages (found by argument-dependent lookup).
void PrintTo(const ScreenRect& rect, std::ostream* out) { *out << FormatNormPos(rect); }
void PrintTo(const WindowPlacement& placement, std::ostream* out) {
  *out << "ShowCmd " << static_cast<int>(placement.show) << ", NormPos "
       << FormatNormPos(placement.normal) << ", Visible " << placement.visible;
}

namespace {

const std::vector<ScreenRect> kOneScreen = {{0, 0, 1024, 768}};

class WindowPlacementTest : public ::testing::Test {
 protected:
  WindowPlacementTest() : store_(dir_.File("plugin")) {
    std::filesystem::create_directories(dir_.Path() / "plugin");
    store_.SetActive(true);
  }

  std::string Ini() const { return dir_.Read("SHV.INI"); }
  void WriteIni(const std::string& bytes) const { dir_.Write("SHV.INI", bytes); }

  test::ScratchDir dir_;
  TWindowPlacement store_;
};

TEST_F(WindowPlacementTest, FileLiesInTheParentOfTheProgramFolder) {
  const std::string separator(1, PathSeparator());
  EXPECT_EQ(store_.IniFileName(), dir_.File("plugin") + separator + ".." + separator + "SHV.INI");
  // A folder that already ends in a separator gets no second one.
  EXPECT_EQ(TWindowPlacement("/opt/host/plugin/").IniFileName(),
            "/opt/host/plugin/.." + separator + "SHV.INI");
}

TEST_F(WindowPlacementTest, RestoresWhatItSaved) {
  const WindowPlacement placements[] = {
      {ShowCommand::kNormal, {168, 102, 536, 339}, true},
      {ShowCommand::kMaximized, {-20, 5, 300, 200}, true},
      {ShowCommand::kMinimized, {900, 600, 1300, 800}, false},
  };
  for (const WindowPlacement& placement : placements) {
    ASSERT_TRUE(store_.Save(placement));
    EXPECT_EQ(store_.Restore(kOneScreen), placement) << Ini();
  }
  EXPECT_EQ(Ini(),
            "[TFormDLL]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=2\r\nPixelsPerInch=96\r\n"
            "MinMaxPos=-1,-1,-1,-1\r\nNormPos=900,600,1300,800\r\nVisible=0\r\n");
}

TEST_F(WindowPlacementTest, UsesOnlyANormPosThatPutsTheWindowOnAScreen) {
  const std::vector<ScreenRect> two_screens = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
  const struct {
    std::string norm_pos;
    std::optional<ScreenRect> expected;
  } cases[] = {
      {"168,102,536,339", ScreenRect{168, 102, 536, 339}},
      {" 168 , 102 ,536, +339 ", ScreenRect{168, 102, 536, 339}},
      {"2000,500,2368,737", ScreenRect{2000, 500, 2368, 737}},      // on the second screen
      {"-300,-200,32,32", ScreenRect{-300, -200, 32, 32}},          // a corner still on screen
      {"2900,1050,2910,1060", ScreenRect{2900, 1050, 2910, 1060}},  // small and whole
      {"-300,-200,31,32", std::nullopt},                            // too little on screen
      {"3000,100,3368,337", std::nullopt},                          // right of every screen
      {"100,800,468,1037", std::nullopt},  // below the first, left of the second
      {"536,339,168,102", std::nullopt},   // inverted
      {"168,102,168,339", std::nullopt},   // no width
      {"0,0,20000,500", std::nullopt},     // absurdly wide
      {"0,0,500,40000", std::nullopt},     // beyond the coordinate range
      {"-99999999999,0,10,10", std::nullopt},
      {"168,102,536", std::nullopt},
      {"168,102,536,339,1", std::nullopt},
      {"168;102;536;339", std::nullopt},
      {"168,102,536,339x", std::nullopt},
      {"1e2,102,536,339", std::nullopt},
      {",102,536,339", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    WriteIni("[TFormDLL]\nShowCmd=1\nNormPos=" + c.norm_pos + "\n");
    const std::optional<WindowPlacement> restored = store_.Restore(two_screens);
    EXPECT_EQ(restored.has_value(), c.expected.has_value()) << c.norm_pos;
    if (restored && c.expected) {
      EXPECT_EQ(restored->normal, *c.expected) << c.norm_pos;
    }
  }
}

TEST_F(WindowPlacementTest, APlacementSavedAtAnotherScaleComesBackAsLargeOnTheScreen) {
  const std::vector<ScreenRect> large_screen = {{0, 0, 3840, 2160}};
  const struct {
    std::string pixels_per_inch;  // as saved; "" for none
    int now;                      // the scale restored at
    std::optional<ScreenRect> expected;
  } cases[] = {
      {"96", 96, ScreenRect{168, 102, 536, 339}},
      {"96", 192, ScreenRect{336, 204, 1072, 678}},
      {"", 144, ScreenRect{252, 153, 804, 509}},  // none saved: 96; halves round up
      {"192", 96, ScreenRect{84, 51, 268, 170}},
      {"192", 192, ScreenRect{168, 102, 536, 339}},
      {"120", 144, ScreenRect{202, 122, 643, 407}},
      {"abc", 192, ScreenRect{336, 204, 1072, 678}},  // not a scale: 96
      {"9999", 192, ScreenRect{336, 204, 1072, 678}},
      {"24", 2400, std::nullopt},  // scaled a hundredfold: too large
  };
  for (const auto& c : cases) {
    const std::string saved =
        c.pixels_per_inch.empty() ? "" : "PixelsPerInch=" + c.pixels_per_inch + "\n";
    WriteIni("[TFormDLL]\n" + saved + "NormPos=168,102,536,339\n");
    const std::optional<WindowPlacement> restored = store_.Restore(large_screen, c.now);
    ASSERT_EQ(restored.has_value(), c.expected.has_value()) << c.pixels_per_inch << " " << c.now;
    if (!restored) continue;
    EXPECT_EQ(restored->normal, *c.expected) << c.pixels_per_inch << " " << c.now;
    EXPECT_EQ(restored->pixels_per_inch, c.now);
  }
  // Saved at its own scale, which the file then names.
  ASSERT_TRUE(store_.Save({ShowCommand::kNormal, {336, 204, 1072, 678}, true, 192}));
  EXPECT_NE(Ini().find("\nPixelsPerInch=192\n"), std::string::npos) << Ini();
  EXPECT_EQ(store_.Restore(large_screen, 96)->normal, (ScreenRect{168, 102, 536, 339}));
}

TEST_F(WindowPlacementTest, ReadsOtherKeysLeniently) {
  const struct {
    std::string keys;
    std::optional<WindowPlacement> expected;
  } cases[] = {
      {"ShowCmd=3\nVisible=1\n", WindowPlacement{ShowCommand::kMaximized, {1, 2, 301, 202}, true}},
      {"ShowCmd=7\nVisible=0\n", WindowPlacement{ShowCommand::kNormal, {1, 2, 301, 202}, false}},
      {"", WindowPlacement{ShowCommand::kNormal, {1, 2, 301, 202}, true}},
      {"FormVersion=0\n", WindowPlacement{ShowCommand::kNormal, {1, 2, 301, 202}, true}},
      {"FormVersion=1\n", std::nullopt},  // another layout of the window
  };
  for (const auto& c : cases) {
    WriteIni("[TFormDLL]\n" + c.keys + "NormPos=1,2,301,202\n");
    EXPECT_EQ(store_.Restore(kOneScreen), c.expected) << c.keys;
  }
}

TEST_F(WindowPlacementTest, MissingUnreadableOrInactiveMeansNoPlacementAndNoWrite) {
  const WindowPlacement placement{ShowCommand::kNormal, {1, 2, 301, 202}, true};
  EXPECT_EQ(store_.Restore(kOneScreen), std::nullopt) << "missing file";

  WriteIni("[TFormDLL]\nNormPos=1,2,301,202\n");
  store_.SetActive(false);
  EXPECT_EQ(store_.Restore(kOneScreen), std::nullopt);
  EXPECT_TRUE(store_.Save({ShowCommand::kNormal, {5, 5, 305, 205}, true}));
  EXPECT_EQ(Ini(), "[TFormDLL]\nNormPos=1,2,301,202\n");

  std::filesystem::remove(dir_.Path() / "SHV.INI");
  std::filesystem::create_directories(dir_.Path() / "SHV.INI" / "inside");
  store_.SetActive(true);
  EXPECT_EQ(store_.Restore(kOneScreen), std::nullopt) << "a directory in the file's place";
  const FileWriteStatus status = store_.Save(placement);
  EXPECT_FALSE(status);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "SHV.INI" / "inside"));
}

}  // namespace
}  // namespace kasumido
