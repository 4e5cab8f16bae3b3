// Start-up of the real program: one instance at a time, and the version text of "/c".
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "support/poll_until.h"
#include "support/scripted_http_server.h"

namespace kasumido::e2e {
namespace {

using namespace std::chrono_literals;

TEST(StartUp, OfTwoInstancesStartedTogetherExactlyOneRuns) {
  test::ScriptedHttpServer server;
  // The listing page answers after three seconds, so the run outlasts any start-up delay.
  server.SetHandler([](const wire::RequestHead& head) {
    const auto pause = head.target == "/comic/kongetsu.html" ? 3000ms : 0ms;
    return test::Script().Pause(pause).Send(test::ResponseBytes("HTTP/1.0 404 Not Found", {}, ""));
  });
  HostLayout host;
  host.WriteSettings({{"DLLComic_Checked", "True"}});
  const auto first = host.Start(server.Origin(), {}, {}, "first.txt");
  const auto second = host.Start(server.Origin(), {}, {}, "second.txt");
  // The loser ends while the winner still runs.
  int ended = 0;
  test::ChildProcess* loser = nullptr;
  ASSERT_TRUE(test::PollUntil(
      [&] {
        for (test::ChildProcess* run : {first.get(), second.get()}) {
          if (!run->Running()) {
            loser = run;
            ++ended;
          }
        }
        return loser != nullptr;
      },
      Clock::now() + 20s));
  EXPECT_EQ(ended, 1) << "both instances ended together";
  test::ChildProcess* winner = loser == first.get() ? second.get() : first.get();
  EXPECT_EQ(loser->Wait(1s), 0);
  EXPECT_EQ(loser->Output(), "");
  EXPECT_EQ(winner->Wait(30s), 0);
  EXPECT_EQ(host.Runs(), 1);
  EXPECT_EQ(server.RequestCount(), 3u);  // the three comic pages, by one instance
}

TEST(StartUp, SlashCInAnyCaseShowsTheVersionAndDownloadsNothing) {
  for (const char* argument : {"/c", "/C"}) {
    test::ScriptedHttpServer server;
    HostLayout host;
    host.WriteSettings({{"DLLComic_Checked", "True"}});
    const auto run = host.Start(server.Origin(), {argument});
    EXPECT_EQ(run->Wait(10s), 0);
    const std::string output = run->Output();
    EXPECT_NE(output.find("バージョン情報\n霞堂書店プラグイン\nバージョン 1.0.0\n作者 "),
              std::string::npos)
        << output;
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(host.Host("Shelvio.log")));
  }
}

}  // namespace
}  // namespace kasumido::e2e
