#include "platform/waits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "support/scratch_dir.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;

Milliseconds Since(const test::TestEventLoop& loop, TimePoint start) {
  return std::chrono::duration_cast<Milliseconds>(loop.Now() - start);
}

TEST(WaitMinutes, WaitsExactlyThatLongInSlicesOfAtMost100Ms) {
  struct Case {
    double minutes;
    Milliseconds elapsed;
    int waits;
  };
  const Case cases[] = {
      {0, 0ms, 0},      {-1, 0ms, 0},         {std::numeric_limits<double>::quiet_NaN(), 0ms, 0},
      {0.001, 60ms, 1}, {0.5, 30'000ms, 300}, {1, 60'000ms, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    test::TestEventLoop loop;
    const TimePoint start = loop.Now();
    WaitMinutes(loop, c.minutes);
    EXPECT_EQ(Since(loop, start), c.elapsed);
    // One blocking wait per slice: no spinning, and no slice longer than 100 ms.
    EXPECT_EQ(loop.WaitCount(), c.waits);
    EXPECT_LE(loop.LongestWait(), 100ms);
  }
}

TEST(WaitMinutes, RunsHandlersWhileItWaits) {
  test::TestEventLoop loop;
  const TimePoint start = loop.Now();
  std::vector<Milliseconds> ran;
  auto timer = loop.CreateTimer();
  timer->OnTimer = [&] {
    ran.push_back(Since(loop, start));
    loop.Post([&] { ran.push_back(Since(loop, start)); });
  };
  timer->SetInterval(25'000ms);
  timer->SetEnabled(true);
  WaitMinutes(loop, 1);
  EXPECT_EQ(ran, (std::vector<Milliseconds>{25'000ms, 25'000ms, 50'000ms, 50'000ms}));
  EXPECT_EQ(Since(loop, start), 60'000ms);
}

TEST(YieldToUI, RunsWhatIsPendingWithoutWaiting) {
  test::TestEventLoop loop;
  const TimePoint start = loop.Now();
  int ran = 0;
  loop.Post([&] { ++ran; });
  YieldToUI(loop);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(loop.Now(), start);
}

TEST(ResetWithRetry, RetriesOnceAMinuteUntilTheFileOpens) {
  enum class Place { kFile, kNothing, kFolder, kAppearsAfter30s };
  struct Case {
    const char* name;
    Place place;
    int n;
    bool opened;
    Milliseconds elapsed;
  };
  const Case cases[] = {
      {"readable file", Place::kFile, 1, true, 0ms},
      {"file appears during the wait", Place::kAppearsAfter30s, 1, true, 60'000ms},
      {"folder in its place", Place::kFolder, 1, false, 60'000ms},
      {"missing, no retry", Place::kNothing, 0, false, 0ms},
      {"missing, three retries", Place::kNothing, 3, false, 180'000ms},
      {"negative count", Place::kNothing, -2, false, 0ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDir dir;
    const std::string path = dir.File("kasumido1.html");
    if (c.place == Place::kFile) dir.Write("kasumido1.html", "saved page");
    if (c.place == Place::kFolder) std::filesystem::create_directory(path);
    test::TestEventLoop loop;
    auto timer = loop.CreateTimer();
    timer->OnTimer = [&] {
      dir.Write("kasumido1.html", "saved page");
      timer->SetEnabled(false);
    };
    timer->SetInterval(30'000ms);
    timer->SetEnabled(c.place == Place::kAppearsAfter30s);
    const TimePoint start = loop.Now();
    std::optional<InputFile> file = ResetWithRetry(loop, path, c.n);
    EXPECT_EQ(file.has_value(), c.opened);
    EXPECT_EQ(Since(loop, start), c.elapsed);
    if (file) {
      char content[32] = {};
      EXPECT_EQ(file->Read(content, sizeof content), 10);
      EXPECT_STREQ(content, "saved page");
    }
  }
}

}  // namespace
}  // namespace kasumido
