#include "html/yield_pacer.h"

#include <gtest/gtest.h>

namespace kasumido {
namespace {

// A hand-driven clock that counts how often it is read.
struct FakeClock {
  TimePoint now{};
  int reads = 0;
  std::function<TimePoint()> Reader() {
    return [this] {
      ++reads;
      return now;
    };
  }
};

TEST(YieldPacer, YieldsOnlyOnceTheIntervalHasPassedAndReadsTheClockEveryFewBytes) {
  FakeClock clock;
  int yields = 0;
  YieldPacer pacer([&] { ++yields; }, clock.Reader(), Milliseconds(10), 100);
  EXPECT_EQ(clock.reads, 1);  // start of the interval

  for (int i = 0; i < 99; ++i) pacer.Advance(1);
  EXPECT_EQ(clock.reads, 1) << "clock read before check_bytes were handled";
  pacer.Advance(1);
  EXPECT_EQ(clock.reads, 2);
  EXPECT_EQ(yields, 0) << "no time has passed";

  clock.now += Milliseconds(9);
  pacer.Advance(100);
  EXPECT_EQ(yields, 0) << "9 ms is below the interval";

  clock.now += Milliseconds(1);
  pacer.Advance(100);
  EXPECT_EQ(yields, 1);
  pacer.Advance(100);
  EXPECT_EQ(yields, 1) << "the interval starts again after a yield";

  clock.now += Milliseconds(500);
  pacer.Advance(1000000);
  EXPECT_EQ(yields, 2) << "one yield however much was handled at once";
  EXPECT_EQ(pacer.Yields(), 2u);
}

TEST(YieldPacer, DoesNotCountTheTimeSpentInsideTheHook) {
  FakeClock clock;
  int yields = 0;
  // A hook that takes 50 ms, like a window repaint.
  YieldPacer pacer(
      [&] {
        ++yields;
        clock.now += Milliseconds(50);
      },
      clock.Reader(), Milliseconds(10), 1);
  clock.now += Milliseconds(10);
  pacer.Advance(1);
  ASSERT_EQ(yields, 1);
  pacer.Advance(1);
  EXPECT_EQ(yields, 1);
  clock.now += Milliseconds(10);
  pacer.Advance(1);
  EXPECT_EQ(yields, 2);
}

TEST(YieldPacer, WithoutAHookNeverReadsTheClock) {
  FakeClock clock;
  YieldPacer pacer({}, clock.Reader(), Milliseconds(0), 1);
  for (int i = 0; i < 1000; ++i) pacer.Advance(4096);
  EXPECT_EQ(clock.reads, 0);
  EXPECT_EQ(pacer.Yields(), 0u);
}

}  // namespace
}  // namespace kasumido
