// Whole runs that notice when the site changed: a detail-page marker reworded so a field
// empties, a listing whose links take a new form. Each is reported on the first run after
// it, with its pages kept; a site that does not change raises nothing; and the inspector
// shows the history and reads a kept page again.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/encoding.h"
#include "support/steered_site.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
// Books with every field the comic pages give (4004 has no ISBN).
const std::vector<int> kCodes = {4001, 4002, 4003, 4005, 4006};

std::string DetailTarget(int code) {
  return "/comic/detail/bk_detail.php?pcd=" + std::to_string(code);
}

std::vector<std::string> Links(const std::string& form) {
  std::vector<std::string> links;
  for (int code : kCodes) links.push_back(form + std::to_string(code));
  return links;
}

// The log lines of run `index` that are findings.
std::vector<std::string> Findings(const HostLayout& host, int index) {
  std::vector<std::string> lines;
  for (const std::string& line : host.PlanLines(index)) {
    if (line.starts_with("サイト点検: ")) lines.push_back(line);
  }
  return lines;
}

// A tool of the build run to its end: its exit code and output.
std::pair<int, std::string> RunInspector(const HostLayout& host,
                                         const std::vector<std::string>& args) {
  test::ChildProcess process(std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-inspect", args,
                             host.scratch.Path() / "inspect.txt");
  const int exit_code = process.Wait(30s);
  return {exit_code, process.Output()};
}

std::vector<std::string> CaptureFiles(const HostLayout& host) {
  std::vector<std::string> names;
  const std::filesystem::path folder = host.scratch.Path() / "host/plugin/captures";
  if (!std::filesystem::exists(folder)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class HealthRun : public ::testing::Test {
 protected:
  HealthRun() { site_.Listing(kComicNow, Links("detail/bk_detail.php?pcd=")); }

  test::SteeredSite site_;
  HostLayout host_;
};

TEST_F(HealthRun, ALayoutChangeIsReportedOnTheFirstRunAfterItWithItsPagesKept) {
  host_.WriteSettings({{"DLLComic_Checked", "True"}, {"CheckEdited_Checked", "False"}});
  host_.RunToEnd(site_.Origin(), 60s);
  host_.RunToEnd(site_.Origin(), 60s);
  EXPECT_TRUE(Findings(host_, 0).empty());
  EXPECT_TRUE(Findings(host_, 1).empty());
  EXPECT_TRUE(CaptureFiles(host_).empty());

  // The detail pages name the ISBN in other words.
  const std::filesystem::path detail = SourcePath("samples/site/comic/detail");
  for (int code : kCodes) {
    std::string page = test::ReadFile(detail / ("bk_detail.php__pcd=" + std::to_string(code)));
    page.replace(page.find("ISBN"), 4, test::Euc("書籍コード"));
    site_.Answer(DetailTarget(code), test::Script::Ok(page));
  }
  host_.RunToEnd(site_.Origin(), 60s);
  const std::vector<std::string> third = Findings(host_, 2);
  ASSERT_FALSE(third.empty());
  EXPECT_EQ(third[0],
            "サイト点検: コミック今月 「ISBN」が5冊すべてで空 (最近2回は100%の本で記入; 基準: "
            "80%以上で記入の項目が3冊以上すべてで空) 詳細ページの形が変わった可能性");
  EXPECT_EQ(CaptureFiles(host_).size(), kCodes.size() + 1);  // and the index

  // The listing's links take a new form.
  site_.Listing(kComicNow, Links("detail/book.php?no="));
  host_.RunToEnd(site_.Origin(), 60s);
  EXPECT_EQ(Findings(host_, 3), std::vector<std::string>{
                                    "サイト点検: コミック今月 詳細リンク 0件 (最近3回の中央値 5件; "
                                    "基準: 最近の中央値が1件以上の一覧で0件) "
                                    "一覧ページのリンクの形が変わった可能性"});
  const std::string listing = host_.scratch.Read("host/plugin/captures/capture-005.txt");
  EXPECT_NE(listing.find("URL: " + site_.Origin() + kComicNow + "\r\n"), std::string::npos);
  EXPECT_NE(listing.find(" 200 OK\r\nContent-Type: text/html\r\n"), std::string::npos)
      << listing.substr(0, 300);

  // The inspector shows the history with the newest run's finding, and reads the kept
  // pages again.
  const auto [shown, table] = RunInspector(host_, {"health", host_.Host()});
  EXPECT_EQ(shown, 0) << table;
  EXPECT_NE(table.find("4 runs kept"), std::string::npos) << table;
  EXPECT_NE(table.find("詳細リンク 0件"), std::string::npos) << table;
  const auto [rechecked, fields] =
      RunInspector(host_, {"recheck", host_.scratch.File("host/plugin/captures/capture-000.txt")});
  EXPECT_EQ(rechecked, 0) << fields;
  EXPECT_NE(fields.find("book without ISBN"), std::string::npos) << fields;
  EXPECT_NE(fields.find("  ISBN           \"\""), std::string::npos) << fields;
  const auto [links_checked, links] =
      RunInspector(host_, {"recheck", host_.scratch.File("host/plugin/captures/capture-005.txt")});
  EXPECT_EQ(links_checked, 0) << links;
  EXPECT_NE(links.find("Detail links the listing analysis follows now: 0"), std::string::npos)
      << links;
}

TEST_F(HealthRun, AnUnchangedSiteNeverRaisesAFinding) {
  site_.Restore(kComicNow);
  site_.ServeWholeSite();
  const std::vector<std::map<std::string, std::string>> presets = {
      {{"DLLBooks_Checked", "True"}, {"DLLBunko_Checked", "True"}, {"DLLComic_Checked", "True"}},
      {{"DLLComic_Checked", "True"}, {"CheckEdited_Checked", "False"}},
      {{"DLLComic_Checked", "True"}, {"DLLBunko_Checked", "True"}, {"TimeOut_Text", "5"}},
  };
  std::vector<std::string> kept;
  for (std::size_t run = 0; run < presets.size(); ++run) {
    host_.WriteSettings(presets[run]);
    host_.RunToEnd(site_.Origin(), 120s);
    EXPECT_TRUE(Findings(host_, static_cast<int>(run)).empty()) << "run " << run;
    // The site's books without ISBN, each kept once however often it is read.
    if (run == 0) kept = CaptureFiles(host_);
    EXPECT_EQ(CaptureFiles(host_), kept) << "run " << run;
  }
  std::vector<std::string> urls;
  for (const std::string& name : kept) {
    const std::string capture = host_.scratch.Read("host/plugin/captures/" + name);
    const std::size_t at = capture.find("URL: " + site_.Origin());
    if (at != std::string::npos) {
      urls.push_back(capture.substr(at + 5 + site_.Origin().size(),
                                    capture.find('\r', at) - at - 5 - site_.Origin().size()));
    }
  }
  EXPECT_EQ(urls, (std::vector<std::string>{"/comic/detail/bk_detail.php?pcd=4004",
                                            "/lnovel/detail/bk_detail.php?pcd=1008",
                                            "/book/detail/bk_detail.php?pcd=2007"}));
}

}  // namespace
}  // namespace kasumido::e2e
