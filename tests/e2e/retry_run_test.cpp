// Whole runs in which books fail: a detail page the site does not deliver, a master file
// that cannot be written. The book is remembered and written on a later run, once; a
// page that never comes is given up with its log line.
#include <signal.h>

#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/scripted_http_server.h"
#include "support/steered_site.h"
#include "support/whole_run_expectations.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
const std::string kDetail = "/comic/detail/bk_detail.php?pcd=";

std::vector<std::string> Links(std::initializer_list<int> codes) {
  std::vector<std::string> links;
  for (int code : codes) links.push_back("detail/bk_detail.php?pcd=" + std::to_string(code));
  return links;
}

// The codes of the master file's lines, in order.
std::vector<int> MasterCodes(const HostLayout& host) {
  std::vector<int> codes;
  for (const std::string& line : host.MasterLines()) {
    const std::size_t at = line.find("pcd=");
    codes.push_back(at == std::string::npos ? 0 : std::stoi(line.substr(at + 4)));
  }
  return codes;
}

// The plan lines of run `index` about this month's comic page and its books.
std::vector<std::string> ComicLines(const HostLayout& host, int index) {
  std::vector<std::string> lines;
  for (const std::string& line : host.PlanLines(index)) {
    if (line.find("/comic/kongetsu") != std::string::npos ||
        line.find("pcd=") != std::string::npos) {
      lines.push_back(line);
    }
  }
  return lines;
}

// How the site fails a detail page (a mode of site_server/hostile_answers.h), and the
// start of the reason the log gives.
struct DetailFailure {
  const char* mode;
  const char* reason;
};

void PrintTo(const DetailFailure& failure, std::ostream* out) { *out << failure.mode; }

class FailedDetailPage : public ::testing::TestWithParam<DetailFailure> {};

TEST_P(FailedDetailPage, IsWrittenOnTheNextRunAndOnlyOnce) {
  test::SteeredSite site;
  site.Listing(kComicNow, Links({4001, 4002, 4003}));
  site.Hostile(kDetail + "4002", GetParam().mode);
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  host.RunToEnd(site.Origin(), 120s);
  EXPECT_EQ(MasterCodes(host), (std::vector<int>{4001, 4003}));
  const std::string url = site.Origin() + kDetail + "4002";
  const std::vector<std::string> first = ComicLines(host, 0);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[1].rfind(url + " 詳細ページ取得失敗 (" + GetParam().reason, 0), 0u) << first[1];

  // The site delivers it again; the listing page is unchanged.
  site.Restore(kDetail + "4002");
  const int asked = site.Count(kDetail + "4002");
  host.RunToEnd(site.Origin(), 60s);
  EXPECT_EQ(MasterCodes(host), (std::vector<int>{4001, 4003, 4002}));
  EXPECT_EQ(ComicLines(host, 1),
            (std::vector<std::string>{site.Origin() + kComicNow + " スキップ", url + " 再試行"}));
  EXPECT_EQ(site.Count(kDetail + "4002"), asked + 1);

  host.RunToEnd(site.Origin(), 60s);
  EXPECT_EQ(MasterCodes(host), (std::vector<int>{4001, 4003, 4002}));
  EXPECT_EQ(site.Count(kDetail + "4002"), asked + 1);
}

INSTANTIATE_TEST_SUITE_P(RetryRun, FailedDetailPage,
                         ::testing::Values(DetailFailure{"cut:40", "the body ended after "},
                                           DetailFailure{"reset:40", "Connection reset by peer"},
                                           DetailFailure{"429:1", "429 Too Many Requests"},
                                           DetailFailure{"loop", "Too many relocations"}),
                         [](const ::testing::TestParamInfo<DetailFailure>& info) {
                           const std::string mode = info.param.mode;
                           return mode.substr(0, mode.find(':')) + "_" + std::to_string(info.index);
                         });

TEST(RetryRun, BooksOfAMasterFileThatCannotBeOpenedAreWrittenWhenItCanBe) {
  test::SteeredSite site;
  site.Listing(kComicNow, Links({4001, 4002}));
  site.Hold(kDetail + "4001");  // the first attempt waits for the time-out
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "2"}});
  const auto run = host.Start(site.Origin());
  ASSERT_TRUE(site.WaitFor(kDetail + "4001"));
  // Another program takes the master file's place while the run is on.
  std::filesystem::create_directory(host.Host("ShelvioMas.csv"));
  EXPECT_EQ(run->Wait(60s), 0);
  const std::vector<std::string> first = ComicLines(host, 0);
  ASSERT_EQ(first.size(), 5u);
  EXPECT_EQ(first[1], "Analyze Error " + site.Origin() + kDetail + "4001");
  EXPECT_EQ(first[2].find("Shelvio.log: " + site.Origin() + kDetail +
                          "4001 マスターファイルを開けません ("),
            0u)
      << first[2];
  EXPECT_EQ(first[2].substr(first[2].size() - 10), " (C.ERROR)");

  std::filesystem::remove(host.Host("ShelvioMas.csv"));
  host.RunToEnd(site.Origin(), 60s);
  EXPECT_EQ(MasterCodes(host), (std::vector<int>{4001, 4002}));
  host.RunToEnd(site.Origin(), 60s);
  EXPECT_EQ(MasterCodes(host), (std::vector<int>{4001, 4002}));
}

TEST(RetryRun, APageThatNeverComesIsGivenUpAfterFiveRunsWithItsLogLine) {
  test::SteeredSite site;
  site.Listing(kComicNow, Links({4001, 4098}));  // 4098 is not a page of the site
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  const std::string given_up = "Shelvio.log: " + site.Origin() + kDetail +
                               "4098 再試行打切り (5回の実行で連続失敗) (C.ERROR)";
  for (int run = 0; run < 6; ++run) {
    host.RunToEnd(site.Origin(), 60s);
    const std::vector<std::string> lines = ComicLines(host, run);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), given_up), run == 4 ? 1 : 0) << run;
  }
  EXPECT_EQ(site.Count(kDetail + "4098"), 5 * 3);  // three attempts in each of five runs
  EXPECT_EQ(MasterCodes(host), std::vector<int>{4001});
}

TEST(RetryRun, KillsAtRandomMomentsNeverCutAHostFileAndLoseNoBook) {
  test::SteeredSite site;
  site.ServeWholeSite();
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}, {"TimeOut_Text", "10"}});
  const std::string settings = host.scratch.Read("host/Shelvio.ini");
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment_ms(300, 6000);
  for (int kill = 1; kill <= 6; ++kill) {
    const auto run = host.Start(site.Origin());
    std::this_thread::sleep_for(std::chrono::milliseconds(moment_ms(random)));
    run->Signal(SIGKILL);
    run->Wait(10s);
    EXPECT_EQ(test::ComicRunsProblems(host, site.Origin(), settings, false), "")
        << "seed " << seed << ", kill " << kill;
  }
  host.RunToEnd(site.Origin(), 90s);
  EXPECT_EQ(test::ComicRunsProblems(host, site.Origin(), settings, true), "") << "seed " << seed;
}

}  // namespace
}  // namespace kasumido::e2e
