// kasumido.exe notices when the site changed: the detail pages name the ISBN in other
// words, and the first run after it reports the field with its pages kept beside the
// program, where kasumido-inspect.exe reads them again.
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/win32/whole_run_fixture.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

const std::string kComicNow = "/comic/kongetsu.html";
const std::vector<int> kCodes = {4001, 4002, 4003};

class HealthRuns : public WholeRun {
 protected:
  HealthRuns() {
    std::vector<std::string> links;
    for (int code : kCodes) links.push_back("detail/bk_detail.php?pcd=" + std::to_string(code));
    site_.Listing(kComicNow, links);
    site_.Listing("/comic/raigetsu.html", {});
    site_.Listing("/comic/sengetsu.html", {});
    std::map<std::string, std::string> settings = ComicsOnly(10);
    settings["CheckEdited_Checked"] = "False";
    host_.WriteSettings(settings);
  }
  // Runs the program to its end; the findings of the run.
  std::vector<std::string> Run() {
    Start();
    EXPECT_EQ(Finish(90s), 0);
    std::vector<std::string> findings;
    for (const std::string& line : host_.PlanLines(runs_++)) {
      if (line.starts_with("サイト点検: ")) findings.push_back(line);
    }
    return findings;
  }

  int runs_ = 0;
};

TEST_F(HealthRuns, ARewordedMarkerIsReportedOnTheFirstRunAfterItWithItsPagesKept) {
  EXPECT_EQ(Run(), std::vector<std::string>{});
  EXPECT_EQ(Run(), std::vector<std::string>{});

  const std::filesystem::path detail =
      std::filesystem::path(KASUMIDO_SOURCE_DIR) / "samples/site/comic/detail";
  for (int code : kCodes) {
    std::string page = ReadFile(detail / ("bk_detail.php__pcd=" + std::to_string(code)));
    page.replace(page.find("ISBN"), 4, Euc("書籍コード"));
    site_.Answer("/comic/detail/bk_detail.php?pcd=" + std::to_string(code), Script::Ok(page));
  }
  const std::vector<std::string> findings = Run();
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings[0],
            "サイト点検: コミック今月 「ISBN」が3冊すべてで空 (最近2回は100%の本で記入; 基準: "
            "80%以上で記入の項目が3冊以上すべてで空) 詳細ページの形が変わった可能性");

  // The pages are kept beside the program, and the inspector reads one again.
  const std::string kept = host_.scratch.File("host/plugin/captures/capture-000.txt");
  ASSERT_TRUE(std::filesystem::exists(kept));
  ChildProcess inspector(std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-inspect.exe",
                         {"recheck", kept}, host_.scratch.Path() / "inspect.txt");
  EXPECT_EQ(inspector.Wait(30s), 0);
  const std::string output = inspector.Output();
  EXPECT_NE(output.find("book without ISBN"), std::string::npos) << output;
  EXPECT_NE(output.find("  ISBN           \"\""), std::string::npos) << output;
  EXPECT_NE(output.find("花冠のレイディ 3"), std::string::npos) << output;
}

}  // namespace
}  // namespace kasumido::test
