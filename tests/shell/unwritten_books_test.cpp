// Whole runs in this process, on the deterministic loop against a steered copy of the
// sample site, with the file system breaking the master file's appends: no record is
// cut or glued, the book that failed is written on the next run, and only once. These
// runs go through the same file seam on Linux and under Wine.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/fake_download_view.h"
#include "shell/form_dll.h"
#include "support/faulty_file_system.h"
#include "support/host_layout.h"
#include "support/steered_site.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using test::FaultyFileSystem;

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kDetail = "/comic/detail/bk_detail.php?pcd=";

class UnwrittenBooks : public ::testing::Test {
 protected:
  UnwrittenBooks() {
    site_.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002",
                              "detail/bk_detail.php?pcd=4003"});
    layout_.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  }
  // One run from the first activation to its end; its plan lines (UTF-8).
  std::vector<std::string> Run() {
    test::TestEventLoop loop;
    loop.AddHost("127.0.0.1", "127.0.0.1");
    test::FakeDownloadView view;
    TFormDLL(loop, view, layout_.Setup(site_.Origin())).FormActivate();
    return layout_.PlanLines(runs_++);
  }
  // The detail codes of the master file's books, in order (0 for a line of the host's).
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const std::string& line : layout_.MasterLines()) {  // fails on a cut line
      const std::size_t at = line.find("pcd=");
      codes.push_back(at == std::string::npos ? 0 : std::stoi(line.substr(at + 4)));
    }
    return codes;
  }
  std::string Url(int code) const { return site_.Origin() + kDetail + std::to_string(code); }
  // The plan lines of a run whose first comic page logs `first` and then `lines`; the
  // other two comic pages are not served.
  std::vector<std::string> Plan(const std::string& first, std::vector<std::string> lines) const {
    lines.insert(lines.begin(), {"*** 霞堂書店DLL ***", site_.Origin() + kComicNow + " " + first});
    for (const char* page : {"/comic/raigetsu.html", "/comic/sengetsu.html"}) {
      lines.push_back(site_.Origin() + page + " 失敗");
    }
    lines.push_back("END");
    return lines;
  }

  test::SteeredSite site_;
  test::HostLayout layout_;
  int runs_ = 0;
};

TEST_F(UnwrittenBooks, AnAppendCutPartWayIsTakenBackAndItsBookWrittenOnTheNextRunOnce) {
  layout_.scratch.Write("host/ShelvioMas.csv", "\"host\",0");  // its last record unended
  {
    FaultyFileSystem faults;
    faults.CutNextWrite("ShelvioMas.csv", 20);
    EXPECT_EQ(Run(),
              Plan("ダウンロード", {"Shelvio.log: " + Url(4001) + " マスターファイル書込失敗 (" +
                                    FaultyFileSystem::kWriteError + ") (C.ERROR)"}));
  }
  // The cut bytes were taken back; the next book started a record of its own.
  EXPECT_EQ(Codes(), (std::vector<int>{0, 4002, 4003}));
  EXPECT_EQ(layout_.scratch.Read("host/ShelvioMas.csv").rfind("\"host\",0\r\n\"", 0), 0u);

  EXPECT_EQ(Run(), Plan("スキップ", {Url(4001) + " 再試行"}));
  EXPECT_EQ(Codes(), (std::vector<int>{0, 4002, 4003, 4001}));
  Run();
  EXPECT_EQ(Codes(), (std::vector<int>{0, 4002, 4003, 4001}));
  EXPECT_EQ(site_.Count(kDetail + "4001"), 2);
}

TEST_F(UnwrittenBooks, ABookThatCannotBeRememberedKeepsItsPageForTheNextRunToAnalyseAgain) {
  layout_.scratch.Write("host/ShelvioMas.csv", "\"host\",0\r\n");
  {
    FaultyFileSystem faults;
    faults.CutNextWrite("ShelvioMas.csv", 0);
    faults.Hold("kasumidoRetry.txt", FaultyFileSystem::Access::kWrite);  // never replaced
    const std::vector<std::string> lines = Run();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3].rfind("Shelvio.log: kasumidoRetry.txt 再試行リスト保存失敗 (", 0), 0u)
        << lines[3];
  }
  // Neither the book nor the page could be remembered: the page is analysed again.
  EXPECT_EQ(Codes(), (std::vector<int>{0, 4002, 4003}));
  EXPECT_EQ(layout_.SavedCopy("kasumido3.html"), "");
  const std::vector<std::string> lines = Run();
  EXPECT_EQ(lines[1], site_.Origin() + kComicNow + " ダウンロード");
  EXPECT_EQ(Codes(), (std::vector<int>{0, 4002, 4003, 4001, 4002, 4003}));
  EXPECT_NE(layout_.SavedCopy("kasumido3.html"), "");
}

}  // namespace
}  // namespace kasumido
