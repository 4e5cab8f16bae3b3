// A deterministic event loop for tests. Its clock moves only when the test says so
// (Advance) or when a wait has nothing else to do (WaitForEvents jumps the clock to the
// next due timer or to the end of its time-out instead of sleeping). Host lookups are
// scripted and complete on the next pass of the loop. Socket notifiers watch real
// descriptors with poll(): while one is enabled, a wait really blocks in poll() and the
// clock moves by the time that really passed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/event_loop.h"

namespace kasumido::test {

class TestEventLoop final : public EventLoop {
 public:
  TestEventLoop();
  ~TestEventLoop() override;

  // Pumps the event loop: one pass (calls posted before the pass, finished lookups, due
  // timers, ready descriptors), without moving the clock or blocking.
  void ProcessPendingEvents() override;
  // Pumps the event loop: a pass; when it handled nothing, moves the clock to the next
  // due timer or by `timeout`, whichever comes first (really waiting in poll() while
  // a socket notifier is enabled), and makes another pass.
  void WaitForEvents(Milliseconds timeout) override;
  void Post(std::function<void()> call) override;
  TimePoint Now() const override { return now_; }

  std::unique_ptr<Timer> CreateTimer() override;
  std::unique_ptr<SocketNotifier> CreateSocketNotifier(SocketHandle socket,
                                                       SocketEvent event) override;
  std::unique_ptr<HostLookup> CreateHostLookup() override;

  // Pumps the event loop: moves the clock forward by `duration`, firing every timer that
  // falls due on the way at its own due time, in order.
  void Advance(Milliseconds duration);

  // Scripts the answer of host lookups for `name`. "localhost" answers 127.0.0.1 unless
  // scripted otherwise; any other name not scripted fails with 11001.
  void AddHost(const std::string& name, const std::string& address);
  void AddHostError(const std::string& name, int error);
  // While held, started lookups stay running until released.
  void HoldLookups(bool held) { lookups_held_ = held; }
  int LookupsStarted() const { return lookups_started_; }

  // What the waits asked for: how many WaitForEvents calls, and the longest time-out.
  int WaitCount() const { return wait_count_; }
  Milliseconds LongestWait() const { return longest_wait_; }

 private:
  class FakeTimer;
  class FakeNotifier;
  class FakeLookup;
  friend class FakeTimer;
  friend class FakeNotifier;
  friend class FakeLookup;

  struct HostAnswer {
    int error = 0;
    std::string address;
  };

  // One pass; answers whether anything was handled. `poll_ms` bounds the poll() of the
  // enabled notifiers (0: look without waiting).
  bool RunPass(int poll_ms);
  bool RunPostedCalls();
  bool RunFinishedLookups();
  bool RunDueTimers();
  bool RunReadyNotifiers(int poll_ms);
  std::vector<std::uint64_t> PollNotifiers(int poll_ms) const;
  bool PollWatched(int poll_ms) const;
  // The earliest due time among enabled timers, or TimePoint::max().
  TimePoint NextDue() const;
  bool AnyNotifierEnabled() const;
  HostAnswer Answer(const std::string& name) const;

  TimePoint now_;
  std::uint64_t pass_ = 0;
  std::uint64_t next_id_ = 1;
  std::deque<std::function<void()>> posted_;
  std::map<std::uint64_t, FakeTimer*> timers_;
  std::map<std::uint64_t, FakeNotifier*> notifiers_;
  std::map<std::uint64_t, FakeLookup*> lookups_;
  std::map<std::string, HostAnswer> hosts_;
  bool lookups_held_ = false;
  int lookups_started_ = 0;
  int wait_count_ = 0;
  Milliseconds longest_wait_{0};
};

}  // namespace kasumido::test
