// kasumido.exe against a broken or hostile site: the comic pages of the sample site with
// chosen targets answered as such a server would. Bodies cut short are failed fetches
// that lose no book for good; floods, huge bodies and a relocation loop end as failures
// within the request spacing, and the run's memory stays bounded.
#include <algorithm>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "e2e/win32/whole_run_fixture.h"
#include "http/http_client.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kComicNext = "/comic/raigetsu.html";
const std::string kComicLast = "/comic/sengetsu.html";

std::string Detail(int code) { return "/comic/detail/bk_detail.php?pcd=" + std::to_string(code); }

// The plan's lines about the three comic listing pages of run `run`, without the origin
// (not the lines of their detail pages).
std::vector<std::string> ListingLines(const HostLayout& host, int run, const std::string& origin) {
  std::vector<std::string> lines;
  for (const std::string& line : host.PlanLines(run)) {
    for (const std::string& page : {kComicNow, kComicNext, kComicLast}) {
      if (line.rfind(origin + page + " ", 0) == 0) lines.push_back(line.substr(origin.size()));
    }
  }
  return lines;
}

// `line` with its last field, the cover file, empty.
std::string WithoutCover(const std::string& line) {
  return line.substr(0, line.rfind(",\"")) + ",\"\"";
}

class HostileRun : public WholeRun {
 protected:
  std::vector<std::string> Books(const std::set<int>& codes) const {
    return WithCodes(
        ExpectedMasterLines("master.csv.utf8", site_.Origin(), host_.Temp(), {"/comic/"}), codes);
  }
};

TEST_F(HostileRun, ABodyCutShortIsAFailedFetchAndNoBookIsLostForGood) {
  site_.Hostile(kComicNow, "cut:60", 1);
  site_.Hostile(Detail(4005), "cut:50", 1);
  site_.Hostile("/image/cover_4006.jpg", "cut:40");
  host_.WriteSettings(ComicsOnly(10));
  Start();
  ASSERT_EQ(Finish(120s), 0);
  EXPECT_EQ(ListingLines(host_, 0, site_.Origin()),
            (std::vector<std::string>{kComicNow + " 失敗", kComicNext + " ダウンロード",
                                      kComicLast + " ダウンロード"}));
  EXPECT_EQ(host_.SavedCopy("kasumido3.html"), "");
  EXPECT_EQ(site_.Count(Detail(4005)), 2);
  EXPECT_FALSE(host_.TempHas("9784899874065.jpg"));

  Start();
  ASSERT_EQ(Finish(120s), 0);
  EXPECT_EQ(ListingLines(host_, 1, site_.Origin()),
            (std::vector<std::string>{kComicNow + " ダウンロード", kComicNext + " スキップ",
                                      kComicLast + " スキップ"}));
  std::vector<std::string> expected = Books({4005, 4006, 4007, 4008, 4009, 4010, 4011});
  expected[1] = WithoutCover(expected[1]);  // 4006
  for (const std::string& line : Books({4001, 4002, 4003, 4004})) expected.push_back(line);
  EXPECT_EQ(host_.MasterLines(), expected);
}

TEST_F(HostileRun, FloodsHugeBodiesAndARelocationLoopFailWithinTheSpacingAndBoundedMemory) {
  site_.Hostile(kComicNow, "flood");
  site_.Hostile(Detail(4005), "loop");
  site_.Hostile("/image/cover_4007.gif", "endless:300");
  site_.Hostile(kComicLast, "huge:300");
  host_.WriteSettings(ComicsOnly(10));
  const std::string memory_report = host_.scratch.File("memory.txt");
  const auto started = std::chrono::steady_clock::now();
  Start({}, {{"KASUMIDO_REPORT_MEMORY", memory_report}});
  ASSERT_EQ(Finish(180s), 0);
  const auto took = std::chrono::steady_clock::now() - started;
  std::cout << "      (the run took "
            << std::chrono::duration_cast<std::chrono::seconds>(took).count() << " s; "
            << ReadFile(memory_report) << ")\n";
  EXPECT_EQ(ListingLines(host_, 0, site_.Origin()),
            (std::vector<std::string>{kComicNow + " 失敗", kComicNext + " ダウンロード",
                                      kComicLast + " 失敗"}));
  std::vector<std::string> expected = Books({4006, 4007, 4008});
  expected[1] = WithoutCover(expected[1]);  // 4007: its cover never ended
  EXPECT_EQ(host_.MasterLines(), expected);
  EXPECT_FALSE(host_.TempHas("9784899874072.gif"));
  // Three attempts of 21 requests each, every one half a second after the one before.
  const int loop_requests = 3 * (1 + kMaxRelocations);
  EXPECT_EQ(site_.Count(Detail(4005)), loop_requests);
  EXPECT_GE(took, (loop_requests - 1) * 500ms);
}

}  // namespace
}  // namespace kasumido::test
