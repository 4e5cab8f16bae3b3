#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "http/socket_error.h"
#include "support/child_process.h"
#include "support/raw_client.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;

const std::string kTool = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-site-server";

// Waits for the tool's "listening on 127.0.0.1:PORT" line; 0 when it does not come.
std::uint16_t WaitForListeningPort(ChildProcess& tool) {
  const std::string prefix = "listening on 127.0.0.1:";
  if (!tool.WaitForOutput("\n", milliseconds(10000))) return 0;
  const std::string output = tool.Output();
  if (output.rfind(prefix, 0) != 0) return 0;
  return static_cast<std::uint16_t>(std::stoi(output.substr(prefix.size())));
}

TEST(SiteServerTool, ServesTheFolderLogsEachTargetHoldsTheChosenOnesAndStopsOnSigterm) {
  ScratchDir dir;
  dir.Write("site/lnovel/kongetsu.html", "listing");
  dir.Write("site/lnovel/bk_detail.php__pcd=7&m=2", "detail");
  // The detail page's first two requests go unanswered, the third is served.
  ChildProcess tool(
      kTool,
      {"--root", dir.File("site"), "--port", "0", "--request-log", dir.File("requests.log"),
       "--hold", "/lnovel/bk_detail.php?pcd=7&m=2", "--hold", "/lnovel/bk_detail.php?pcd=7&m=2"},
      dir.Path() / "output.txt");
  const std::uint16_t port = WaitForListeningPort(tool);
  ASSERT_NE(port, 0) << dir.Read("output.txt");
  const struct {
    std::string target;
    std::string status_line;
    std::string body;
  } cases[] = {
      {"/lnovel/kongetsu.html", "HTTP/1.1 200 OK", "listing"},
      {"/lnovel/bk_detail.php?pcd=7&m=2", "", ""},
      {"/lnovel/bk_detail.php?pcd=7&m=2", "", ""},
      {"/lnovel/bk_detail.php?pcd=7&m=2", "HTTP/1.1 200 OK", "detail"},
      {"/lnovel/none.html", "HTTP/1.1 404 Not Found", "<html><body>404 Not Found</body></html>\n"},
  };
  std::string expected_log;
  for (const auto& c : cases) {
    const bool held = c.status_line.empty();
    const RawResponse response = RawExchange(port, "GET " + c.target + " HTTP/1.0\r\n\r\n",
                                             milliseconds(held ? 1000 : 5000));
    EXPECT_EQ(response.bytes.substr(0, response.bytes.find("\r\n")), c.status_line) << c.target;
    EXPECT_EQ(ResponseBody(response.bytes), c.body) << c.target;
    EXPECT_EQ(response.peer_closed, !held) << c.target;
    expected_log += c.target + "\n";
  }
  EXPECT_EQ(tool.Stop(), 0);
  EXPECT_EQ(dir.Read("requests.log"), expected_log);
  EXPECT_EQ(RawExchange(port, "GET / HTTP/1.0\r\n\r\n").error, socket_error::kConnectionRefused);
}

TEST(SiteServerTool, AnswersChosenTargetsAsAHostileServerWouldAndLogsRequestTimes) {
  ScratchDir dir;
  dir.Write("site/comic/kongetsu.html", "0123456789");
  dir.Write("site/comic/bk_detail.php__pcd=7", "detail");
  ChildProcess tool(kTool,
                    {"--request-times", "--root", dir.File("site"), "--request-log",
                     dir.File("requests.log"), "--hostile", "/comic/kongetsu.html=cut:40,1",
                     "--hostile", "/comic/bk_detail.php?pcd=7=loop"},
                    dir.Path() / "output.txt");
  const std::uint16_t port = WaitForListeningPort(tool);
  ASSERT_NE(port, 0) << dir.Read("output.txt");
  const auto get = [port](const std::string& target) {
    return RawExchange(port, "GET " + target + " HTTP/1.0\r\n\r\n").bytes;
  };
  // Cut once, then served whole; the detail page relocates to itself every time.
  EXPECT_EQ(ResponseBody(get("/comic/kongetsu.html")), "0123");
  EXPECT_EQ(ResponseBody(get("/comic/kongetsu.html")), "0123456789");
  for (int i = 0; i < 2; ++i) {
    const std::string reply = get("/comic/bk_detail.php?pcd=7");
    EXPECT_EQ(reply.rfind("HTTP/1.1 302 Found\r\nLocation: /comic/bk_detail.php?pcd=7\r\n", 0), 0u)
        << reply;
  }
  EXPECT_EQ(tool.Stop(), 0);
  // Each line: milliseconds since the start, a blank, the target; in order.
  std::istringstream log(dir.Read("requests.log"));
  long previous = 0;
  std::vector<std::string> targets;
  for (std::string line; std::getline(log, line);) {
    const std::size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    const long at = std::stol(line.substr(0, blank));
    EXPECT_GE(at, previous) << line;
    previous = at;
    targets.push_back(line.substr(blank + 1));
  }
  EXPECT_EQ(targets,
            (std::vector<std::string>{"/comic/kongetsu.html", "/comic/kongetsu.html",
                                      "/comic/bk_detail.php?pcd=7", "/comic/bk_detail.php?pcd=7"}));
}

TEST(SiteServerTool, RefusesBadArgumentsWithExitCode2) {
  ScratchDir dir;
  dir.Write("file", "x");
  const std::vector<std::string> cases[] = {
      {},
      {"--port", "0"},
      {"--root", dir.File("missing")},
      {"--root", dir.File("file")},
      {"--root", dir.Path().string(), "--port", "70000"},
      {"--root", dir.Path().string(), "--port"},
      {"--root", dir.Path().string(), "--request-log", dir.File("file/inside.log")},
      {"--root", dir.Path().string(), "--unknown", "1"},
      {"--root", dir.Path().string(), "--hostile", "/a.html"},
      {"--root", dir.Path().string(), "--hostile", "/a.html=cut"},
      {"--root", dir.Path().string(), "--hostile", "/a.html=cut:40,0"},
  };
  for (const auto& args : cases) {
    ChildProcess tool(kTool, args, dir.Path() / "output.txt");
    EXPECT_EQ(tool.Wait(milliseconds(10000)), 2) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace kasumido::test
