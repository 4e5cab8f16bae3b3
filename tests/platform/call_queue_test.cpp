#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/waits.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;

class CallQueueTest : public testing::TestWithParam<bool> {
 protected:
  std::unique_ptr<EventLoop> loop_ =
      GetParam() ? MakeEventLoop() : std::unique_ptr<EventLoop>(new test::TestEventLoop());
};

INSTANTIATE_TEST_SUITE_P(Loops, CallQueueTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "QtLoop" : "TestLoop"; });

TEST_P(CallQueueTest, RunsCallsInOrderFromTheLoop) {
  CallQueue queue(*loop_);
  std::vector<int> ran;
  for (int i = 1; i <= 3; ++i) queue.Post([&ran, i] { ran.push_back(i); });
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(PumpUntil(
      *loop_, [&] { return ran.size() == 3; }, loop_->Now() + 3s));
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_P(CallQueueTest, DestroyedQueueDropsWhatItHasNotRun) {
  struct Case {
    const char* name;
    bool destroy_inside_first_call;
  };
  for (const Case& c : {Case{"destroyed before the loop runs", false},
                        Case{"destroyed by its own first call", true}}) {
    SCOPED_TRACE(c.name);
    std::optional<CallQueue> queue(std::in_place, *loop_);
    std::vector<int> ran;
    queue->Post([&] {
      ran.push_back(1);
      queue.reset();
    });
    queue->Post([&] { ran.push_back(2); });
    if (!c.destroy_inside_first_call) queue.reset();
    // A queue made afterwards (possibly at the same address) does not pick them up.
    CallQueue later(*loop_);
    bool later_ran = false;
    later.Post([&] { later_ran = true; });
    ASSERT_TRUE(PumpUntil(
        *loop_, [&] { return later_ran; }, loop_->Now() + 3s));
    PumpFor(*loop_, 20ms);
    EXPECT_EQ(ran, c.destroy_inside_first_call ? std::vector<int>{1} : std::vector<int>{});
  }
}

}  // namespace
}  // namespace kasumido
