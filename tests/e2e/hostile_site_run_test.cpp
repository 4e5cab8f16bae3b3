// Whole runs of the program against a broken or hostile site: the sample site's comic
// pages from the site server, with chosen targets answered as such a server would
// (site_server/hostile_answers.h). Bodies cut short, floods, huge bodies, trickles,
// relocation loops and 429s end as failed fetches; the run goes on, keeps the request
// spacing, and writes every book it could fetch whole.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "http/http_client.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;
using test::WithCodes;

const std::map<std::string, std::string> kComicOnly = {{"DLLComic_Checked", "True"},
                                                       {"TimeOut_Text", "10"}};
const std::string kComicNow = "/comic/kongetsu.html";
const std::string kComicNext = "/comic/raigetsu.html";
const std::string kComicLast = "/comic/sengetsu.html";

std::string Detail(int code) { return "/comic/detail/bk_detail.php?pcd=" + std::to_string(code); }
std::string Hostile(const std::string& target, const std::string& mode) {
  return target + "=" + mode;
}

// The plan's lines about the three comic listing pages, in order ("URL word").
std::vector<std::string> ListingLines(const HostLayout& host, int run, const std::string& origin) {
  std::vector<std::string> lines;
  for (const std::string& line : host.PlanLines(run)) {
    for (const std::string& page : {kComicNow, kComicNext, kComicLast}) {
      if (line.rfind(origin + page + " ", 0) == 0) lines.push_back(line.substr(origin.size()));
    }
  }
  return lines;
}

// The expected lines of the books `codes` (sample site, comic pages), in file order.
std::vector<std::string> Books(const SiteServer& server, const HostLayout& host,
                               const std::set<int>& codes) {
  return WithCodes(
      ExpectedMasterLines("master.csv.utf8", server.Origin(), host.Temp(), {"/comic/"}), codes);
}

// `line` with its last field, the cover file, empty.
std::string WithoutCover(const std::string& line) {
  return line.substr(0, line.rfind(",\"")) + ",\"\"";
}

std::size_t CountOf(const std::vector<std::string>& targets, const std::string& target) {
  return static_cast<std::size_t>(std::count(targets.begin(), targets.end(), target));
}

TEST(HostileSiteRun, ABodyCutShortIsAFailedFetchAndNoBookIsLostForGood) {
  SiteServer server(
      SourcePath("samples/site"),
      {"--hostile", Hostile(kComicNow, "cut:60,1"), "--hostile", Hostile(Detail(4005), "cut:50,1"),
       "--hostile", Hostile("/image/cover_4006.jpg", "cut:40")});
  HostLayout host;
  host.WriteSettings(kComicOnly);
  host.RunToEnd(server.Origin(), 90s);
  // The cut listing page failed and was not saved; the cut detail page was fetched again
  // and its book written from the whole page; the cut cover left its field empty.
  EXPECT_EQ(ListingLines(host, 0, server.Origin()),
            (std::vector<std::string>{kComicNow + " 失敗", kComicNext + " ダウンロード",
                                      kComicLast + " ダウンロード"}));
  EXPECT_EQ(host.SavedCopy("kasumido3.html"), "");
  EXPECT_EQ(CountOf(server.Requests(), Detail(4005)), 2u);
  EXPECT_FALSE(host.TempHas("9784899874065.jpg"));

  // The next run finds the listing page whole and writes its books.
  host.RunToEnd(server.Origin(), 90s);
  EXPECT_EQ(ListingLines(host, 1, server.Origin()),
            (std::vector<std::string>{kComicNow + " ダウンロード", kComicNext + " スキップ",
                                      kComicLast + " スキップ"}));
  std::vector<std::string> expected =
      Books(server, host, {4005, 4006, 4007, 4008, 4009, 4010, 4011});
  expected[1] = WithoutCover(expected[1]);  // 4006
  for (const std::string& line : Books(server, host, {4001, 4002, 4003, 4004})) {
    expected.push_back(line);
  }
  EXPECT_EQ(host.MasterLines(), expected);
}

TEST(HostileSiteRun, FloodsHugeBodiesLoopsAnd429sFailWithinTheRequestSpacing) {
  SiteServer server(SourcePath("samples/site"),
                    {"--hostile", Hostile(kComicNow, "flood"), "--hostile",
                     Hostile(Detail(4005), "loop"), "--hostile", Hostile(Detail(4006), "429:1,2"),
                     "--hostile", Hostile("/image/cover_4007.gif", "endless:300"), "--hostile",
                     Hostile(kComicLast, "huge:300")});
  HostLayout host;
  host.WriteSettings(kComicOnly);
  host.RunToEnd(server.Origin(), 150s);
  EXPECT_EQ(ListingLines(host, 0, server.Origin()),
            (std::vector<std::string>{kComicNow + " 失敗", kComicNext + " ダウンロード",
                                      kComicLast + " 失敗"}));
  // The relocation loop failed at each of its three attempts; 4006 was written after the
  // site's two 429s, 4007 without the cover that never ended.
  std::vector<std::string> expected = Books(server, host, {4006, 4007, 4008});
  expected[1] = WithoutCover(expected[1]);
  EXPECT_EQ(host.MasterLines(), expected);
  EXPECT_FALSE(host.TempHas("9784899874072.gif"));
  const std::vector<std::string> targets = server.Requests();
  const std::vector<long> times = server.RequestTimes();
  EXPECT_EQ(CountOf(targets, Detail(4005)), 3u * (1 + kMaxRelocations));
  EXPECT_EQ(CountOf(targets, Detail(4006)), 3u);
  // Every request, relocations included, started half a second after the one before
  // (measured at the server: a little jitter allowed); after a 429, the second it asked.
  ASSERT_EQ(times.size(), targets.size());
  for (std::size_t i = 1; i < times.size(); ++i) {
    const long gap = times[i] - times[i - 1];
    EXPECT_GE(gap, 450) << i << " " << targets[i];
    if (targets[i] == Detail(4006) && targets[i - 1] == Detail(4006)) {
      EXPECT_GE(gap, 950) << i;
    }
  }
}

TEST(HostileSiteRun, ATrickleEndsAtTheDocumentDeadlineWithTheTimeOutOff) {
  SiteServer server(SourcePath("samples/site"), {"--hostile", Hostile(kComicNow, "trickle:500")});
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "0"}});
  const auto run = host.Start(server.Origin(), {}, {{"KASUMIDO_DOCUMENT_DEADLINE", "3"}});
  EXPECT_EQ(run->Wait(90s), 0);
  EXPECT_NE(run->Output().find("GetKasumido.html: 404 took longer than 3 s"), std::string::npos)
      << run->Output();
  EXPECT_EQ(ListingLines(host, 0, server.Origin()),
            (std::vector<std::string>{kComicNow + " 失敗", kComicNext + " ダウンロード",
                                      kComicLast + " ダウンロード"}));
}

}  // namespace
}  // namespace kasumido::e2e
