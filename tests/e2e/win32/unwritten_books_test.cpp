// kasumido.exe when books fail: a detail page the site does not deliver, a master file
// another program takes while the run is on, and the host's settings files saved in
// UTF-16 with a byte order mark. The book is written on a later run, once; the host's
// files keep their encoding and every byte of their own.
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "e2e/win32/whole_run_fixture.h"
#include "platform/text_encoding.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kDetail = "/comic/detail/bk_detail.php?pcd=";

class UnwrittenBooks : public WholeRun {
 protected:
  UnwrittenBooks() {
    // This month's comic page links two books; the other comic pages none.
    site_.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
    site_.Listing("/comic/raigetsu.html", {});
    site_.Listing("/comic/sengetsu.html", {});
  }
  // Runs the program to its end; the plan lines of this month's comic page and its books.
  std::vector<std::string> Run() {
    Start();
    EXPECT_EQ(Finish(90s), 0);
    std::vector<std::string> lines;
    for (const std::string& line : host_.PlanLines(runs_++)) {
      if (line.find(kComicNow) != std::string::npos || line.find("pcd=") != std::string::npos) {
        lines.push_back(line);
      }
    }
    return lines;
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const std::string& line : host_.MasterLines()) {
      codes.push_back(std::stoi(line.substr(line.find("pcd=") + 4)));
    }
    return codes;
  }
  std::string Url(int code) const { return site_.Origin() + kDetail + std::to_string(code); }

  int runs_ = 0;
};

TEST_F(UnwrittenBooks, AFailedDetailPageIsWrittenOnTheNextRunAndOnlyOnce) {
  site_.Answer(kDetail + "4002", Script().Reset());
  host_.WriteSettings(ComicsOnly(10));
  const std::vector<std::string> first = Run();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[1].rfind(Url(4002) + " 詳細ページ取得失敗 (", 0), 0u) << first[1];
  EXPECT_EQ(Codes(), std::vector<int>{4001});

  site_.Restore(kDetail + "4002");
  EXPECT_EQ(Run(), (std::vector<std::string>{site_.Origin() + kComicNow + " スキップ",
                                             Url(4002) + " 再試行"}));
  EXPECT_EQ(Codes(), (std::vector<int>{4001, 4002}));
  Run();
  EXPECT_EQ(Codes(), (std::vector<int>{4001, 4002}));
}

TEST_F(UnwrittenBooks, BooksOfAMasterFileTakenDuringTheRunAreWrittenWhenItIsBack) {
  site_.Hold(kDetail + "4001");  // the first attempt waits for the time-out
  host_.WriteSettings(ComicsOnly(2));
  Start();
  ASSERT_TRUE(site_.WaitFor(kDetail + "4001"));
  std::filesystem::create_directory(std::filesystem::path(host_.Host("ShelvioMas.csv")));
  ASSERT_EQ(Finish(90s), 0);
  const std::vector<std::string> first = host_.PlanLines(runs_++);
  EXPECT_EQ(std::count(first.begin(), first.end(), "Analyze Error " + Url(4001)), 1);
  EXPECT_EQ(std::count(first.begin(), first.end(), "Analyze Error " + Url(4002)), 1);

  std::filesystem::remove(std::filesystem::path(host_.Host("ShelvioMas.csv")));
  Run();
  EXPECT_EQ(Codes(), (std::vector<int>{4001, 4002}));
}

TEST_F(UnwrittenBooks, SettingsFilesSavedAsUtf16AreReadAndKeepTheirEncoding) {
  const auto utf16 = [](const std::string& sjis) {
    return "\xFF\xFE" + ConvertText(sjis, TextEncoding::kShiftJis, TextEncoding::kUtf16Le).value();
  };
  host_.scratch.Write("host/Shelvio.ini",
                      utf16("[TSetup]\r\nDLLComic_Checked=True\r\nTimeOut_Text=10\r\n"));
  host_.scratch.Write("host/SHV.INI", utf16(HostShvIni()));
  EXPECT_EQ(Run().front(), site_.Origin() + kComicNow + " ダウンロード");
  EXPECT_EQ(Codes(), (std::vector<int>{4001, 4002}));
  // The window's placement was added in UTF-16 after every byte of the host's.
  const std::string ini = host_.scratch.Read("host/SHV.INI");
  EXPECT_EQ(ini.rfind(utf16(HostShvIni()), 0), 0u);
  const std::optional<std::string> text =
      ConvertText(std::string_view(ini).substr(2), TextEncoding::kUtf16Le, TextEncoding::kShiftJis);
  ASSERT_TRUE(text.has_value()) << "SHV.INI is not UTF-16 throughout";
  EXPECT_EQ(ShvIniProblems(*text), "");
}

TEST_F(WholeRun, KillsAtRandomMomentsNeverCutAHostFileAndLoseNoBook) {
  host_.WriteSettings(ComicsOnly(10));
  const std::string settings = host_.scratch.Read("host/Shelvio.ini");
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment_ms(1000, 8000);
  for (int kill = 1; kill <= 5; ++kill) {
    Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(moment_ms(random)));
    program_->Signal(SIGTERM);  // on Windows: TerminateProcess, at once
    EXPECT_EQ(ComicRunsProblems(host_, site_.Origin(), settings, false), "")
        << "seed " << seed << ", kill " << kill;
  }
  Start();
  ASSERT_EQ(Finish(120s), 0);
  EXPECT_EQ(ComicRunsProblems(host_, site_.Origin(), settings, true), "") << "seed " << seed;
}

}  // namespace
}  // namespace kasumido::test
