// What only the Win32 loop shows: its wait blocks in the system without spinning (the
// contract the back ends share is in ../event_loop_contract_test.cpp).
#include "platform/win32/win32_event_loop.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/waits.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;

Milliseconds CpuTime() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return Milliseconds((ticks(kernel) + ticks(user)) / 10000);
}

class Win32EventLoopTest : public testing::Test {
 protected:
  std::unique_ptr<EventLoop> loop_ = MakeEventLoop();
};

TEST_F(Win32EventLoopTest, WaitForEventsBlocksForItsTimeoutWithoutSpinning) {
  const Milliseconds cpu_before = CpuTime();
  const TimePoint start = loop_->Now();
  for (int i = 0; i < 5; ++i) loop_->WaitForEvents(100ms);
  EXPECT_GE(loop_->Now() - start, 450ms);
  EXPECT_LT(CpuTime() - cpu_before, 100ms);
  // A posted call ends the wait at once.
  bool ran = false;
  loop_->Post([&] { ran = true; });
  const TimePoint posted = loop_->Now();
  loop_->WaitForEvents(2s);
  EXPECT_TRUE(ran);
  EXPECT_LT(loop_->Now() - posted, 500ms);
}

}  // namespace
}  // namespace kasumido
