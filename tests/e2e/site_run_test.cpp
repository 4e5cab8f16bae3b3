// Whole runs of the program over real HTTP: the sample site through the site server and
// through nginx (also over HTTPS, some of its detail pages behind certificates the
// program refuses), and the edge-case site.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "platform/text_encoding.h"
#include "support/real_peers.h"
#include "support/scratch_dir.h"
#include "support/steered_site.h"
#include "support/tls_peers.h"
#include "support/whole_run_expectations.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

using test::ExpectedMasterLines;
using test::PlanLog;
using test::WithCodes;
const std::map<std::string, std::string>& kEverything = test::kWholeSiteSettings;

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
                    {{10, {test::kSiteCoverFailed}}, {11, {test::kSiteDetailFailed}}}));
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
                    {{3, {test::kSiteDetailRetried, test::kSiteDetailFailed}}}));
}

// nginx over plain HTTP, and over HTTPS with a certificate from the run's test authority,
// which the program trusts through SSL_CERT_FILE.
TEST(SiteRun, ComicPagesServedByNginxGiveTheSameLinesOverHttpAndHttps) {
  if (test::FindProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";
  const test::NginxPeer nginx(SourcePath("samples/site"));
  const test::TlsPeers peers;
  test::TrustTestAuthority(peers.Authority());
  for (const std::string& origin : {nginx.Origin(), peers.Origin("site")}) {
    SCOPED_TRACE(origin);
    HostLayout host;
    host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
    host.RunToEnd(origin, 60s);
    EXPECT_EQ(host.MasterLines(),
              ExpectedMasterLines("master.csv.utf8", origin, host.Temp(), {"/comic/"}));
    EXPECT_EQ(host.PlanLines(0), PlanLog(origin,
                                         {"", "", "", "ダウンロード", "", "", "", "ダウンロード",
                                          "", "", "", "ダウンロード"},
                                         {{11, {test::kSiteDetailFailed}}}));
    EXPECT_EQ(host.SavedCopy("kasumido9.html"), SitePage("/comic/sengetsu.html"));
  }
}

// Detail pages relocated to servers the program cannot trust: each failed page's line
// says why in plain words, and its link is kept and tried again on the next run.
TEST(SiteRun, DetailPagesBehindACertificateItCannotTrustSayWhyAndAreTriedAgain) {
  if (test::FindProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";
  const test::TlsPeers peers;
  test::TrustTestAuthority(peers.Authority());
  const std::string origin = peers.Origin("astray");
  const std::string untrusted = "/comic/detail/bk_detail.php?pcd=4001",
                    other_host = "/comic/detail/bk_detail.php?pcd=4099";
  const std::vector<std::string> failures = {
      untrusted + " 詳細ページ取得失敗 (certificate not trusted: self-signed certificate)",
      other_host + " 詳細ページ取得失敗 (certificate for another host: not for localhost)"};
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  host.RunToEnd(origin, 60s);
  host.RunToEnd(origin, 60s);
  std::vector<std::string> expected =
      ExpectedMasterLines("master.csv.utf8", origin, host.Temp(), {"/comic/"});
  std::erase_if(expected,
                [&](const std::string& line) { return line.find(untrusted) != std::string::npos; });
  EXPECT_EQ(host.MasterLines(), expected);
  const std::string load = "ダウンロード", skip = "スキップ";
  EXPECT_EQ(host.PlanLines(0),
            PlanLog(origin, {"", "", "", load, "", "", "", load, "", "", "", load},
                    {{3, {failures[0]}}, {11, {failures[1]}}}));
  EXPECT_EQ(
      host.PlanLines(1),
      PlanLog(origin, {"", "", "", skip, "", "", "", skip, "", "", "", skip},
              {{3, {untrusted + " 再試行", failures[0], other_host + " 再試行", failures[1]}}}));
}

TEST(SiteRun, ListingPagesUnchangedAtNginxAreNotDownloadedAgain) {
  if (test::FindProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";
  const test::NginxPeer nginx(SourcePath("samples/site"));
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  host.RunToEnd(nginx.Origin(), 60s);
  host.RunToEnd(nginx.Origin(), 60s);
  EXPECT_EQ(host.PlanLines(1),
            PlanLog(nginx.Origin(),
                    {"", "", "", "スキップ", "", "", "", "スキップ", "", "", "", "スキップ"},
                    {{3, {test::kSiteDetailRetried, test::kSiteDetailFailed}}}));
  // nginx answered each listing page with 304 and no body, having been sent the
  // validators it gave with the page (both: it answers 304 to either).
  ASSERT_TRUE(nginx.WaitForAccessLog("\"GET /comic/sengetsu.html HTTP/1.0\" 304 0", 5s));
  for (const char* page : {"kongetsu", "raigetsu", "sengetsu"}) {
    const std::string request = std::string("\"GET /comic/") + page + ".html HTTP/1.0\" ";
    const std::string log = nginx.AccessLog();
    EXPECT_NE(log.find(request + "200 "), std::string::npos) << log;
    EXPECT_NE(log.find(request + "304 0"), std::string::npos) << log;
  }
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

TEST(SiteRun, SettingsSavedWithAByteOrderMarkAreReadAsTheSystemReadsThem) {
  const std::string settings = "[TSetup]\r\nDLLComic_Checked=True\r\nTimeOut_Text=10\r\n";
  const std::string utf8_mark = "\xEF\xBB\xBF", utf16_mark = "\xFF\xFE";
  for (const std::string& bytes :
       {utf8_mark + settings,
        utf16_mark + ConvertText(settings, TextEncoding::kUtf8, TextEncoding::kUtf16Le).value()}) {
    test::SteeredSite site;
    for (const char* page :
         {"/comic/kongetsu.html", "/comic/raigetsu.html", "/comic/sengetsu.html"}) {
      site.Listing(page, {});
    }
    HostLayout host;
    host.scratch.Write("host/Shelvio.ini", bytes);
    host.RunToEnd(site.Origin());
    EXPECT_EQ(host.PlanLines(0),
              PlanLog(site.Origin(), {"", "", "", "ダウンロード", "", "", "", "ダウンロード", "",
                                      "", "", "ダウンロード"}));
  }
}

}  // namespace
}  // namespace kasumido::e2e
