// Whole runs of the program over real HTTP: the sample site through the site server and
// through nginx, and the edge-case site.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/real_peers.h"
#include "support/scratch_dir.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

const std::map<std::string, std::string> kEverything = {{"DLLBooks_Checked", "True"},
                                                        {"DLLBunko_Checked", "True"},
                                                        {"DLLComic_Checked", "True"},
                                                        {"CheckEdited_Checked", "True"},
                                                        {"TimeOut_Text", "10"}};

const std::vector<std::string> kPages = {
    "/lnovel/kongetsu.html", "/book/kongetsu.html", "/bunko/kongetsu.html", "/comic/kongetsu.html",
    "/lnovel/raigetsu.html", "/book/raigetsu.html", "/bunko/raigetsu.html", "/comic/raigetsu.html",
    "/lnovel/sengetsu.html", "/book/sengetsu.html", "/bunko/sengetsu.html", "/comic/sengetsu.html"};

// The plan lines of a run: each page's line with its word (none for an empty word),
// followed by the lines `after` gives for its index, each prefixed with the origin.
std::vector<std::string> PlanLog(
    const std::string& origin, const std::vector<std::string>& words,
    const std::map<std::size_t, std::vector<std::string>>& after = {}) {
  std::vector<std::string> lines = {"*** 霞堂書店DLL ***"};
  for (std::size_t i = 0; i < kPages.size(); ++i) {
    if (!words[i].empty()) lines.push_back(origin + kPages[i] + " " + words[i]);
    const auto extra = after.find(i);
    if (extra == after.end()) continue;
    for (const std::string& line : extra->second) lines.push_back(origin + line);
  }
  lines.push_back("END");
  return lines;
}

// The sample site's missing cover and missing detail page.
const std::string kCoverFailed = "/image/cover_3010.jpg 表紙画像取得失敗 (404 Not Found)";
const std::string k4099Failed =
    "/comic/detail/bk_detail.php?pcd=4099 詳細ページ取得失敗 (404 Not Found)";
const std::string k4099Retry = "/comic/detail/bk_detail.php?pcd=4099 再試行";

// The lines whose detail page is one of `codes`, in file order.
std::vector<std::string> WithCodes(const std::vector<std::string>& lines,
                                   const std::set<int>& codes) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    const std::size_t at = line.find("pcd=");
    if (at != std::string::npos && codes.count(std::stoi(line.substr(at + 4))) != 0) {
      kept.push_back(line);
    }
  }
  return kept;
}

std::string SitePage(std::string_view path) {
  return test::ReadFile(SourcePath("samples/site") / path.substr(1));
}

TEST(SiteRun, FirstRunWritesEveryBookAndTheSecondAnalysesOnlyChangedPages) {
  SiteServer server(SourcePath("samples/site"));
  HostLayout host;
  host.WriteSettings(kEverything);
  host.RunToEnd(server.Origin(), 150s);

  const std::vector<std::string> expected =
      ExpectedMasterLines("master.csv.utf8", server.Origin(), host.Temp());
  ASSERT_EQ(expected.size(), 46u);
  EXPECT_EQ(host.MasterLines(), expected);
  EXPECT_EQ(host.PlanLines(0),
            PlanLog(server.Origin(), std::vector<std::string>(12, "ダウンロード"),
                    {{10, {kCoverFailed}}, {11, {k4099Failed}}}));
  // Saved copies; next and last month's book pages overwrote the light-novel pages that
  // share their names.
  const std::vector<std::pair<const char*, const char*>> copies = {
      {"kasumidoA.html", "/lnovel/kongetsu.html"}, {"kasumido1.html", "/book/kongetsu.html"},
      {"kasumido2.html", "/bunko/kongetsu.html"},  {"kasumido3.html", "/comic/kongetsu.html"},
      {"kasumido4.html", "/book/raigetsu.html"},   {"kasumido5.html", "/bunko/raigetsu.html"},
      {"kasumido6.html", "/comic/raigetsu.html"},  {"kasumido7.html", "/book/sengetsu.html"},
      {"kasumido8.html", "/bunko/sengetsu.html"},  {"kasumido9.html", "/comic/sengetsu.html"}};
  for (const auto& [name, page] : copies) {
    EXPECT_EQ(host.SavedCopy(name), SitePage(page)) << name;
  }
  EXPECT_FALSE(host.TempHas("GetKasumido.html"));
  EXPECT_FALSE(host.TempHas("GetKasumido2.html"));
  EXPECT_TRUE(host.TempHas("9784899871019.jpg"));

  host.RunToEnd(server.Origin(), 90s);
  std::vector<std::string> after_second = expected;
  for (const std::string& line : WithCodes(expected, {1006, 1007, 1008, 1009, 2005, 2006, 2007,
                                                      1010, 1011, 1012, 2008, 2009, 2010})) {
    after_second.push_back(line);
  }
  EXPECT_EQ(host.MasterLines(), after_second);
  const std::string skip = "スキップ", load = "ダウンロード";
  // The missing detail page is tried again after the first comic page, though unchanged.
  EXPECT_EQ(host.PlanLines(1),
            PlanLog(server.Origin(),
                    {skip, skip, skip, skip, load, load, skip, skip, load, load, skip, skip},
                    {{3, {k4099Retry, k4099Failed}}}));
}

TEST(SiteRun, ComicPagesServedByNginxGiveTheSameLines) {
  if (test::FindProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";
  const test::NginxPeer nginx(SourcePath("samples/site"));
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  host.RunToEnd(nginx.Origin(), 60s);
  EXPECT_EQ(host.MasterLines(),
            ExpectedMasterLines("master.csv.utf8", nginx.Origin(), host.Temp(), {"/comic/"}));
  EXPECT_EQ(host.PlanLines(0), PlanLog(nginx.Origin(),
                                       {"", "", "", "ダウンロード", "", "", "", "ダウンロード", "",
                                        "", "", "ダウンロード"},
                                       {{11, {k4099Failed}}}));
  EXPECT_EQ(host.SavedCopy("kasumido9.html"), SitePage("/comic/sengetsu.html"));
}

TEST(SiteRun, EdgeSiteGivesItsHandWrittenLinesAndFailsTheMissingPages) {
  SiteServer server(SourcePath("samples/edge"));
  HostLayout host;
  host.WriteSettings(kEverything);
  host.RunToEnd(server.Origin(), 90s);
  EXPECT_EQ(host.MasterLines(), ExpectedMasterLines("edge.csv.utf8", server.Origin(), host.Temp()));
  std::vector<std::string> words(12, "失敗");
  words[0] = words[1] = "ダウンロード";
  EXPECT_EQ(
      host.PlanLines(0),
      PlanLog(server.Origin(), words,
              {{0, {"/lnovel/detail/bk_detail.php?pcd=9101 詳細ページ取得失敗 (404 Not Found)"}}}));
  for (const std::string& target : server.Requests()) {
    EXPECT_EQ(target.find("pcd=9104"), std::string::npos);  // trap pages
    EXPECT_EQ(target.find("pcd=9106"), std::string::npos);
  }
}

}  // namespace
}  // namespace kasumido::e2e
