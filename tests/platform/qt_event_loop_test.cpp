#include "platform/qt/qt_event_loop.h"
#include "platform/waits.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kasumido {
namespace {

using namespace std::chrono_literals;

Milliseconds CpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto total = std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  return std::chrono::duration_cast<Milliseconds>(total);
}

class QtEventLoopTest : public testing::Test {
 protected:
  // Pumps the event loop until `done` holds; false after 3 s.
  bool Pump(const std::function<bool()>& done) {
    return PumpUntil(*loop_, done, loop_->Now() + 3s);
  }

  std::unique_ptr<EventLoop> loop_ = MakeEventLoop();
};

TEST_F(QtEventLoopTest, TimersFireOnlyWhileEnabledWithAnInterval) {
  struct Case {
    const char* name;
    Milliseconds interval;
    bool enabled;
    bool fires;
  };
  for (const Case& c : {Case{"enabled", 10ms, true, true}, Case{"interval 0", 0ms, true, false},
                        Case{"disabled", 10ms, false, false}}) {
    SCOPED_TRACE(c.name);
    // A witness beside the timer: by the time it has fired twice, so would the timer.
    auto witness = loop_->CreateTimer();
    int witnessed = 0;
    witness->OnTimer = [&] { ++witnessed; };
    witness->SetInterval(10ms);
    witness->SetEnabled(true);
    auto timer = loop_->CreateTimer();
    int fired = 0;
    timer->OnTimer = [&] { ++fired; };
    timer->SetInterval(c.interval);
    timer->SetEnabled(c.enabled);
    ASSERT_TRUE(Pump([&] { return witnessed >= 2 && (fired >= 2 || !c.fires); }))
        << "a repeating timer fires again and again";
    if (c.fires) {
      timer->SetEnabled(false);
      const int before = fired;
      witnessed = 0;
      ASSERT_TRUE(Pump([&] { return witnessed >= 2; }));
      EXPECT_EQ(fired, before) << "disabled timers stay silent";
    } else {
      EXPECT_EQ(fired, 0);
    }
  }
}

TEST_F(QtEventLoopTest, WaitForEventsBlocksForItsTimeoutWithoutSpinning) {
  loop_->ProcessPendingEvents();
  const Milliseconds cpu_before = CpuTime();
  const TimePoint start = Clock::now();
  loop_->WaitForEvents(300ms);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, 250ms) << "returned without an event";
  EXPECT_LT(waited, 3s);
  EXPECT_LT(CpuTime() - cpu_before, 50ms) << "the wait spun instead of sleeping";
}

TEST_F(QtEventLoopTest, WaitForEventsReturnsWhenAnEventArrives) {
  auto timer = loop_->CreateTimer();
  bool fired = false;
  timer->OnTimer = [&] { fired = true; };
  timer->SetInterval(30ms);
  timer->SetEnabled(true);
  const TimePoint start = Clock::now();
  while (!fired && Clock::now() - start < 20s) loop_->WaitForEvents(30s);
  EXPECT_TRUE(fired);
  EXPECT_LT(Clock::now() - start, 10s) << "waited for the time-out, not for the event";
}

TEST_F(QtEventLoopTest, PostedCallsRunInOrderAfterTheCurrentHandler) {
  std::vector<std::string> ran;
  loop_->Post([&] {
    ran.push_back("A");
    loop_->Post([&] { ran.push_back("C"); });
    ran.push_back("A end");
  });
  loop_->Post([&] { ran.push_back("B"); });
  EXPECT_TRUE(ran.empty()) << "never inside Post";
  ASSERT_TRUE(Pump([&] { return ran.size() == 4; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"A", "A end", "B", "C"}));
}

TEST_F(QtEventLoopTest, HostLookupAnswersTheFirstIPv4AddressFromTheLoop) {
  struct Case {
    const char* host;
    int error;
    const char* address;
  };
  for (const Case& c : {Case{"localhost", 0, "127.0.0.1"}, Case{"127.0.0.1", 0, "127.0.0.1"},
                        Case{"", 11001, ""}}) {
    SCOPED_TRACE(c.host);
    auto lookup = loop_->CreateHostLookup();
    std::vector<std::pair<int, std::string>> answers;
    lookup->OnDone = [&](int error, const std::string& address) {
      answers.emplace_back(error, address);
    };
    lookup->Start(c.host);
    EXPECT_TRUE(answers.empty()) << "never inside Start";
    EXPECT_TRUE(lookup->Running());
    ASSERT_TRUE(Pump([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, (std::vector<std::pair<int, std::string>>{{c.error, c.address}}));
    EXPECT_FALSE(lookup->Running());
  }
}

TEST_F(QtEventLoopTest, CancelledOrReplacedLookupNeverAnswers) {
  auto lookup = loop_->CreateHostLookup();
  std::vector<std::string> answers;
  lookup->OnDone = [&](int error, const std::string& address) { answers.push_back(address); };
  lookup->Start("localhost");
  lookup->Cancel();
  EXPECT_FALSE(lookup->Running());
  PumpFor(*loop_, 150ms);
  EXPECT_TRUE(answers.empty());

  lookup->Start("localhost");
  lookup->Start("127.0.0.1");
  ASSERT_TRUE(Pump([&] { return !answers.empty(); }));
  PumpFor(*loop_, 150ms);
  EXPECT_EQ(answers, std::vector<std::string>{"127.0.0.1"});
}

TEST_F(QtEventLoopTest, SocketNotifiersReportReadinessWhileEnabled) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  auto readable = loop_->CreateSocketNotifier(fds[0], SocketEvent::kRead);
  auto writable = loop_->CreateSocketNotifier(fds[1], SocketEvent::kWrite);
  int reads = 0;
  int writes = 0;
  readable->OnActivated = [&] {
    char byte;
    if (read(fds[0], &byte, 1) == 1) ++reads;
  };
  writable->OnActivated = [&] {
    ++writes;
    writable->SetEnabled(false);
  };
  EXPECT_FALSE(readable->Enabled()) << "a new notifier is disabled";
  PumpFor(*loop_, 20ms);
  EXPECT_EQ(writes, 0);
  readable->SetEnabled(true);
  writable->SetEnabled(true);
  ASSERT_EQ(write(fds[1], "xy", 2), 2);
  ASSERT_TRUE(Pump([&] { return reads == 2 && writes == 1; }));
  PumpFor(*loop_, 30ms);
  EXPECT_EQ(reads, 2) << "nothing more to read";
  readable.reset();
  writable.reset();
  close(fds[0]);
  close(fds[1]);
}

TEST_F(QtEventLoopTest, NotifierHandlerThatWaitsDoesNotSpinOnItsReadyDescriptor) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  auto readable = loop_->CreateSocketNotifier(fds[0], SocketEvent::kRead);
  int calls = 0;
  Milliseconds cpu_in_wait{0};
  readable->OnActivated = [&] {
    ++calls;
    const Milliseconds before = CpuTime();
    PumpFor(*loop_, 300ms);  // the byte is still unread meanwhile
    cpu_in_wait = CpuTime() - before;
    char byte;
    EXPECT_EQ(read(fds[0], &byte, 1), 1);
  };
  readable->SetEnabled(true);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  ASSERT_TRUE(Pump([&] { return calls == 1; }));
  PumpFor(*loop_, 400ms);
  EXPECT_EQ(calls, 1) << "not nested inside itself, and quiet once read";
  EXPECT_LT(cpu_in_wait, 50ms) << "the nested wait spun on the ready descriptor";
  EXPECT_TRUE(readable->Enabled());
  readable.reset();
  close(fds[0]);
  close(fds[1]);
}

TEST_F(QtEventLoopTest, ExceptionsEscapingCallbacksGoToTheApplicationHandler) {
  std::vector<std::string> caught;
  loop_->OnUnhandledException = [&](const std::exception& error) {
    caught.push_back(error.what());
  };
  auto timer = loop_->CreateTimer();
  timer->OnTimer = [&] {
    timer->SetEnabled(false);
    throw std::runtime_error("timer");
  };
  timer->SetInterval(5ms);
  timer->SetEnabled(true);
  auto lookup = loop_->CreateHostLookup();
  lookup->OnDone = [](int, const std::string&) { throw std::runtime_error("lookup"); };
  lookup->Start("127.0.0.1");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  auto notifier = loop_->CreateSocketNotifier(fds[1], SocketEvent::kWrite);
  notifier->OnActivated = [&] {
    notifier->SetEnabled(false);
    throw std::logic_error("notifier");
  };
  notifier->SetEnabled(true);
  loop_->Post([] { throw std::runtime_error("posted"); });
  loop_->Post([] { throw 42; });
  ASSERT_TRUE(Pump([&] { return caught.size() == 5; }));
  std::sort(caught.begin(), caught.end());
  EXPECT_EQ(caught, (std::vector<std::string>{"lookup", "notifier", "posted", "timer",
                                              "unknown exception"}));
  notifier.reset();
  close(fds[0]);
  close(fds[1]);
}

TEST_F(QtEventLoopTest, HandlesMayBeDestroyedInsideTheirOwnCallbacks) {
  int ran = 0;
  std::unique_ptr<Timer> timer = loop_->CreateTimer();
  timer->OnTimer = [&] {
    ++ran;
    timer.reset();
  };
  timer->SetInterval(5ms);
  timer->SetEnabled(true);
  std::unique_ptr<HostLookup> lookup = loop_->CreateHostLookup();
  lookup->OnDone = [&](int, const std::string&) {
    ++ran;
    lookup.reset();
  };
  lookup->Start("127.0.0.1");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::unique_ptr<SocketNotifier> notifier =
      loop_->CreateSocketNotifier(fds[1], SocketEvent::kWrite);
  notifier->OnActivated = [&] {
    ++ran;
    notifier.reset();
  };
  notifier->SetEnabled(true);
  ASSERT_TRUE(Pump([&] { return ran == 3; }));
  PumpFor(*loop_, 30ms);
  EXPECT_EQ(ran, 3);
  close(fds[0]);
  close(fds[1]);
}

TEST_F(QtEventLoopTest, TimerDoesNotFireNestedInsideItsOwnHandler) {
  auto timer = loop_->CreateTimer();
  int depth = 0;
  int deepest = 0;
  int fired = 0;
  timer->OnTimer = [&] {
    ++fired;
    deepest = std::max(deepest, ++depth);
    PumpFor(*loop_, 30ms);  // a handler that waits, as the download run does
    --depth;
  };
  timer->SetInterval(5ms);
  timer->SetEnabled(true);
  ASSERT_TRUE(Pump([&] { return fired >= 3; }));
  timer->SetEnabled(false);
  EXPECT_EQ(deepest, 1);
}

}  // namespace
}  // namespace kasumido
