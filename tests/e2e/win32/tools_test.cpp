// The diagnostic tools shipped beside kasumido.exe, as a user runs them when the program
// cannot reach the site or a book comes out wrong: kasumido-fetch.exe fetches a detail
// page, kasumido-inspect.exe shows what the program reads from it.
#include <chrono>
#include <string>
#include <vector>

#include "e2e/win32/whole_run_fixture.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

// Runs a tool of the build to its end; its exit code and output.
std::pair<int, std::string> RunTool(const HostLayout& host, const std::string& tool,
                                    const std::vector<std::string>& args) {
  ChildProcess process(std::string(KASUMIDO_BINARY_DIR) + "/bin/" + tool, args,
                       host.scratch.Path() / (tool + ".txt"));
  const int exit_code = process.Wait(std::chrono::seconds(30));
  return {exit_code, process.Output()};
}

TEST_F(WholeRun, TheToolsFetchADetailPageAndShowWhatTheProgramReadsFromIt) {
  const std::string target = "/comic/detail/bk_detail.php?pcd=4001";
  const std::string page = host_.scratch.File("page.html");
  const auto [fetched, fetch_output] =
      RunTool(host_, "kasumido-fetch.exe", {site_.Origin() + target, page});
  EXPECT_EQ(fetched, 0) << fetch_output;
  EXPECT_NE(fetch_output.find("status: 200 OK"), std::string::npos) << fetch_output;
  EXPECT_EQ(ReadFile(page), ReadFile(std::string(KASUMIDO_SOURCE_DIR) +
                                     "/samples/site/comic/detail/bk_detail.php__pcd=4001"));

  const auto [inspected, inspect_output] =
      RunTool(host_, "kasumido-inspect.exe", {"detail", page, "79"});
  EXPECT_EQ(inspected, 0) << inspect_output;
  // The master-file line, in UTF-8: ISBN, title, author as the host gets them.
  EXPECT_NE(inspect_output.find("\"9784899874010\",\"花冠のレイディ 3\",\"\",\"漫画:百瀬すみれ\""),
            std::string::npos)
      << inspect_output;
}

}  // namespace
}  // namespace kasumido::test
