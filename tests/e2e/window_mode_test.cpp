// The real program with its windows, drawn offscreen: a run over the edge-case site
// leaves the host the same files as a run on the console, and "/c" shows the version
// dialog as the main window. Each window proves itself with the picture it saves of
// itself (KASUMIDO_GRAB_WINDOW, KASUMIDO_GRAB_ABOUT).
#include <signal.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/poll_until.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

// Width and height from a PNG file's header; {0, 0} when the file is no PNG (yet).
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::filesystem::path& file) {
  const std::string bytes = test::ReadFile(file);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  const auto number = [&bytes](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = at; i < at + 4; ++i)
      value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
  };
  return {number(16), number(20)};
}

std::map<std::string, std::string> WindowEnv(const char* grab_variable, const std::string& file) {
  return {{"KASUMIDO_UI", "gui"},
          {"QT_QPA_PLATFORM", "offscreen"},
          {grab_variable, file},
          {"KASUMIDO_GRAB_AFTER_MS", "300"}};
}

TEST(WindowMode, EdgeSiteRunInTheWindowGivesTheSameFilesAsOnTheConsole) {
  SiteServer server(SourcePath("samples/edge"));
  HostLayout host;
  // Every page of the edge site lies in the light-novel and book folders.
  host.WriteSettings({{"DLLBooks_Checked", "True"}, {"TimeOut_Text", "10"}});
  test::ScratchDir pictures;
  const std::string picture = pictures.File("window.png");
  const auto run = host.Start(server.Origin(), {}, WindowEnv("KASUMIDO_GRAB_WINDOW", picture));
  EXPECT_EQ(run->Wait(90s), 0);
  EXPECT_EQ(PngSize(picture), std::make_pair(368u, 237u));
  // The window showed the run: nothing of it went to the terminal.
  EXPECT_EQ(run->Output().find("霞堂書店ダウンロード"), std::string::npos) << run->Output();

  EXPECT_EQ(host.MasterLines(), ExpectedMasterLines("edge.csv.utf8", server.Origin(), host.Temp()));
  std::vector<std::string> plan = {"*** 霞堂書店DLL ***"};
  plan.push_back(server.Origin() + "/lnovel/kongetsu.html ダウンロード");
  plan.push_back(server.Origin() +
                 "/lnovel/detail/bk_detail.php?pcd=9101 詳細ページ取得失敗 (404 Not Found)");
  plan.push_back(server.Origin() + "/book/kongetsu.html ダウンロード");
  for (const char* page : {"/lnovel/raigetsu.html", "/book/raigetsu.html", "/lnovel/sengetsu.html",
                           "/book/sengetsu.html"}) {
    plan.push_back(server.Origin() + page + " 失敗");
  }
  plan.push_back("END");
  EXPECT_EQ(host.PlanLines(0), plan);
}

TEST(WindowMode, SlashCShowsTheVersionDialogAsTheMainWindowAndDownloadsNothing) {
  test::ScriptedHttpServer server;
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  test::ScratchDir pictures;
  const std::string picture = pictures.File("about.png");
  const auto run = host.Start(server.Origin(), {"/C"}, WindowEnv("KASUMIDO_GRAB_ABOUT", picture));
  test::PollUntil([&] { return PngSize(picture).first != 0; }, Clock::now() + 10s);
  EXPECT_EQ(PngSize(picture), std::make_pair(334u, 204u));
  // The dialog waits for the user: the program is still there, and it has neither
  // printed the version text nor touched the site or the log.
  EXPECT_FALSE(run->WaitForOutput("バージョン情報", 500ms));
  run->Signal(SIGKILL);
  EXPECT_EQ(run->Wait(10s), -1);  // ended by the signal, not by itself
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(host.Host("Shelvio.log")));
}

}  // namespace
}  // namespace kasumido::e2e
