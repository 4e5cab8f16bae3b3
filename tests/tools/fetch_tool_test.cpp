#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"

namespace kasumido::test {
namespace {

const std::string kTool = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-fetch";

struct ToolRun {
  int exit_code = -1;
  std::string output;
};

// Runs the tool (or a copy of it) to its end, 20 s at most.
ToolRun RunTool(const ScratchDir& dir, const std::string& program,
                const std::vector<std::string>& args) {
  ChildProcess tool(program, args, dir.Path() / "output.txt");
  ToolRun run;
  run.exit_code = tool.Wait(std::chrono::seconds(20));
  run.output = dir.Read("output.txt");
  return run;
}

class FetchTool : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) ::unsetenv(name);
  }
  ScratchDir dir_;
  ScriptedHttpServer server_;
};

TEST_F(FetchTool, PrintsRelocationsStatusAndBytesAndExitsByTheOutcome) {
  struct Case {
    const char* name;
    std::vector<Script> scripts;
    int exit_code;
    std::string output;
    std::string file;
  };
  const Case cases[] = {
      {"relocated",
       {Script::Relocate("/target.html"), Script::Ok("target")},
       0,
       "proxy: none\nrelocated: /target.html\nstatus: 200 OK\nbytes: 6\n",
       "target"},
      {"missing", {Script::NotFound()}, 1, "proxy: none\nstatus: 404 Not Found\n", ""},
      {"nothing arrived", {Script::Bytes("")}, 1, "proxy: none\nstatus: 0 \nbytes: 0\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Script& script : c.scripts) server_.Enqueue(script);
    const ToolRun run = RunTool(dir_, kTool, {server_.Origin() + "/moved", dir_.File("page.html")});
    EXPECT_EQ(run.exit_code, c.exit_code) << run.output;
    EXPECT_EQ(run.output.substr(0, c.output.size()), c.output);
    if (c.exit_code == 0) {
      EXPECT_EQ(dir_.Read("page.html"), c.file);
    }
  }
}

TEST_F(FetchTool, GoesThroughTheGivenProxyOrTheOneTheHostSettingsChoose) {
  // The given proxy.
  server_.Enqueue(Script::Ok("via given"));
  ToolRun run = RunTool(
      dir_, kTool, {"--proxy", server_.HostPort(), "http://site.test/a.html", dir_.File("a.html")});
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(dir_.Read("a.html"), "via given");
  // The host settings of the folder above the tool's own.
  dir_.Write("host/Shelvio.ini",
             "[TSetup]\r\nUseProxy_Checked=True\r\nProxyServer_Text= 127.0.0.1 \r\n"
             "ProxyPort_Text=" +
                 std::to_string(server_.Port()) + "\r\n");
  std::filesystem::create_directories(dir_.Path() / "host/plugin");
  const std::filesystem::path copy = dir_.Path() / "host/plugin/kasumido-fetch";
  std::filesystem::copy_file(kTool, copy);
  server_.Enqueue(Script::Ok("via settings"));
  run = RunTool(dir_, copy.string(), {"http://site.test/b.html", dir_.File("b.html")});
  EXPECT_EQ(run.exit_code, 0) << run.output;
  const std::string proxy_line = "proxy: 127.0.0.1 (port " + std::to_string(server_.Port()) + ")\n";
  EXPECT_EQ(run.output.substr(0, proxy_line.size()), proxy_line);
  EXPECT_EQ(dir_.Read("b.html"), "via settings");
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].request_line, "GET http://site.test/a.html HTTP/1.0");
  EXPECT_EQ(requests[1].request_line, "GET http://site.test/b.html HTTP/1.0");
}

}  // namespace
}  // namespace kasumido::test
