// The health history file: what is kept of each run, bounded to the last runs, and a
// missing or damaged file started afresh.
#include "shell/health_history.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

RunHealth SampleRun(int n) {
  RunHealth run;
  run.started = "2026-12-0" + std::to_string(n % 10) + " 08:30";
  run.steps[0] = {StepState::kAnalysed, 9, 8, 1, 7, 0, 1, {7, 7, 6, 0, 7, 5, 7, 7, 7, 6, 4}};
  run.steps[1].state = StepState::kUnchanged;
  run.steps[2] = {StepState::kInterrupted, 3, 2, 0, 1, 1, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}};
  run.steps[3].state = StepState::kFailed;
  run.steps[3].limiting = n;
  return run;
}

TEST(HealthHistory, KeepsTheLastTwentyRunsWholeAcrossLoads) {
  test::ScratchDir scratch;
  const std::string path = scratch.File("kasumidoHealth.txt");
  HealthHistory history = HealthHistory::Load(path);
  EXPECT_EQ(history.State(), HealthHistory::LoadState::kMissing);
  for (int n = 1; n <= 23; ++n) history.Add(SampleRun(n));
  ASSERT_TRUE(history.Save());

  const HealthHistory loaded = HealthHistory::Load(path);
  EXPECT_EQ(loaded.State(), HealthHistory::LoadState::kLoaded);
  ASSERT_EQ(loaded.Runs().size(), kHealthRunsKept);
  EXPECT_EQ(loaded.Runs().front(), SampleRun(4));
  EXPECT_EQ(loaded.Runs().back(), SampleRun(23));
  EXPECT_LT(scratch.Read("kasumidoHealth.txt").size(), 16u * 1024);
}

TEST(HealthHistory, ADamagedFileKeepsTheRunsReadWhole) {
  const std::string good = HealthHistory::Serialize({SampleRun(1), SampleRun(2)});
  const std::string one = HealthHistory::Serialize({SampleRun(1)});
  struct Case {
    const char* name;
    std::string text;
    bool whole;
    std::size_t runs;
  };
  const std::string cut_line = good.substr(0, good.size() - 5);
  const std::string no_run = good.substr(0, good.find("run\t2026-12-02") + 3);
  std::string bad_count = good;
  bad_count.replace(bad_count.rfind("\t0\t"), 3, "\tx\t");
  std::string filled_above_written = one;
  filled_above_written.replace(filled_above_written.find("7,7,6"), 5, "9,7,6");
  const Case cases[] = {
      {"whole", good, true, 2},
      {"empty", "", false, 0},
      {"another header", "kasumido health history 2\r\n" + good.substr(good.find("run")), false, 0},
      {"cut in the last line", cut_line, false, 1},
      {"a run cut after its head", no_run, false, 1},
      {"a count that is no number", bad_count, false, 1},
      {"more books with a field than books", filled_above_written, false, 0},
      {"LF only", "kasumido health history 1\n", false, 0},
  };
  for (const Case& c : cases) {
    std::vector<RunHealth> runs;
    EXPECT_EQ(HealthHistory::Parse(c.text, runs), c.whole) << c.name;
    EXPECT_EQ(runs.size(), c.runs) << c.name;
  }
}

TEST(HealthHistory, ADamagedFileIsLoadedAsSuchAndWrittenAfresh) {
  test::ScratchDir scratch;
  const std::string path = scratch.File("kasumidoHealth.txt");
  scratch.Write("kasumidoHealth.txt", std::string(100 * 1024, 'x'));
  HealthHistory history = HealthHistory::Load(path);
  EXPECT_EQ(history.State(), HealthHistory::LoadState::kDamaged);
  EXPECT_TRUE(history.Runs().empty());
  history.Add(SampleRun(1));
  ASSERT_TRUE(history.Save());
  EXPECT_EQ(scratch.Read("kasumidoHealth.txt"), HealthHistory::Serialize({SampleRun(1)}));
}

}  // namespace
}  // namespace kasumido
