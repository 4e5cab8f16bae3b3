// The Win32 loop's side of the event-loop contract: timers, posted calls, a wait that
// blocks without spinning, level-triggered notifiers on real loopback sockets and host
// lookups with the program's error numbers.
#include "platform/win32/win32_event_loop.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <string>
#include <vector>

#include "platform/sockets.h"
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

// A connected pair of loopback sockets, both non-blocking.
struct SocketPair {
  SocketPair() {
    int error = 0;
    const SocketHandle listener = OpenTcpSocket(error);
    EXPECT_EQ(BindSocket(listener, 0x7F000001, 0), 0);
    ::listen(static_cast<SOCKET>(listener), 1);
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(static_cast<SOCKET>(listener), reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    client = OpenTcpSocket(error);
    const int connected = ConnectSocket(client, 0x7F000001, port);
    EXPECT_TRUE(connected == 0 || connected == socket_errors::kInProgress) << connected;
    for (int i = 0; i < 100 && server == kInvalidSocket; ++i) {
      const SOCKET accepted = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
      if (accepted != INVALID_SOCKET) server = accepted;
      Sleep(10);
    }
    CloseSocket(listener);
  }
  ~SocketPair() {
    if (client != kInvalidSocket) CloseSocket(client);
    if (server != kInvalidSocket) CloseSocket(server);
  }
  std::uint16_t port = 0;
  SocketHandle client = kInvalidSocket;
  SocketHandle server = kInvalidSocket;
};

class Win32EventLoopTest : public testing::Test {
 protected:
  bool Pump(const std::function<bool()>& done) {
    return PumpUntil(*loop_, done, loop_->Now() + 3s);
  }
  std::unique_ptr<EventLoop> loop_ = MakeEventLoop();
};

TEST_F(Win32EventLoopTest, TimersFireOnlyWhileEnabledWithAnIntervalAndPostsRunInOrder) {
  auto timer = loop_->CreateTimer();
  int fired = 0;
  timer->OnTimer = [&] { ++fired; };
  timer->SetInterval(10ms);
  PumpFor(*loop_, 50ms);
  EXPECT_EQ(fired, 0) << "disabled";
  timer->SetEnabled(true);
  EXPECT_TRUE(Pump([&] { return fired >= 3; }));
  timer->SetInterval(0ms);
  const int before = fired;
  PumpFor(*loop_, 50ms);
  EXPECT_EQ(fired, before) << "interval 0 is idle";

  std::vector<int> order;
  loop_->Post([&] {
    order.push_back(1);
    loop_->Post([&] { order.push_back(3); });
  });
  loop_->Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty()) << "never from inside Post";
  EXPECT_TRUE(Pump([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

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

TEST_F(Win32EventLoopTest, ReadNotifierFiresAgainWhileBytesWaitAndOnTheClose) {
  SocketPair pair;
  ASSERT_NE(pair.server, kInvalidSocket);
  auto readable = loop_->CreateSocketNotifier(pair.server, SocketEvent::kRead);
  int activations = 0;
  readable->OnActivated = [&] { ++activations; };
  readable->SetEnabled(true);
  int error = 0;
  ASSERT_EQ(SendOnSocket(pair.client, "xy", 2, error), 2);
  // Nothing is read: level-triggered, it keeps firing.
  EXPECT_TRUE(Pump([&] { return activations >= 3; }));
  readable->SetEnabled(false);
  const int disabled_at = activations;
  PumpFor(*loop_, 30ms);
  EXPECT_EQ(activations, disabled_at);

  // Reading every byte, then the peer's close is reported as readable with 0 bytes.
  std::string got;
  bool closed = false;
  readable->OnActivated = [&] {
    char buffer[16];
    const std::ptrdiff_t count = ReceiveFromSocket(pair.server, buffer, sizeof buffer, error);
    if (count > 0) got.append(buffer, static_cast<std::size_t>(count));
    if (count == 0) closed = true;
  };
  readable->SetEnabled(true);
  EXPECT_TRUE(Pump([&] { return got == "xy"; }));
  ShutdownSending(pair.client);
  EXPECT_TRUE(Pump([&] { return closed; })) << "the close after the last byte reads as ready";
}

TEST_F(Win32EventLoopTest, WriteNotifierReportsTheEndOfAConnectAndItsError) {
  struct Case {
    const char* name;
    bool listening;
    int outcome;
  };
  for (const Case& c : {Case{"accepted", true, 0}, Case{"refused", false, 10061}}) {
    SCOPED_TRACE(c.name);
    int error = 0;
    const SocketHandle listener = OpenTcpSocket(error);
    ASSERT_EQ(BindSocket(listener, 0x7F000001, 0), 0);
    if (c.listening) ::listen(static_cast<SOCKET>(listener), 1);
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(static_cast<SOCKET>(listener), reinterpret_cast<sockaddr*>(&address), &length);
    const SocketHandle client = OpenTcpSocket(error);
    ConnectSocket(client, 0x7F000001, ntohs(address.sin_port));
    {
      auto writable = loop_->CreateSocketNotifier(client, SocketEvent::kWrite);
      bool ready = false;
      writable->OnActivated = [&] { ready = true; };
      writable->SetEnabled(true);
      EXPECT_TRUE(Pump([&] { return ready; }));
      EXPECT_EQ(PendingSocketError(client), c.outcome);
    }
    CloseSocket(client);
    CloseSocket(listener);
  }
}

TEST_F(Win32EventLoopTest, HostLookupAnswersFromTheLoopWithTheProgramsErrorNumbers) {
  struct Case {
    std::string host;
    int error;
    std::string address;
  };
  for (const Case& c : {Case{"127.0.0.1", 0, "127.0.0.1"}, Case{"localhost", 0, "127.0.0.1"},
                        Case{"", 11001, ""}, Case{"no-such-host.invalid", 11001, ""}}) {
    SCOPED_TRACE(c.host);
    auto lookup = loop_->CreateHostLookup();
    bool done = false;
    int error = -1;
    std::string address = "unset";
    lookup->OnDone = [&](int e, const std::string& a) {
      done = true;
      error = e;
      address = a;
    };
    lookup->Start(c.host);
    EXPECT_FALSE(done) << "never from inside Start";
    EXPECT_TRUE(lookup->Running());
    ASSERT_TRUE(PumpUntil(
        *loop_, [&] { return done; }, loop_->Now() + 20s));
    EXPECT_FALSE(lookup->Running());
    // An unknown name may also come back as a name without an address.
    if (c.error == 11001 && !c.host.empty() && error == 11004) error = 11001;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(address, c.address);
  }
}

TEST_F(Win32EventLoopTest, CancelledOrReplacedLookupNeverAnswersAndHandlesMayGoInsideCallbacks) {
  auto lookup = loop_->CreateHostLookup();
  std::vector<std::string> answers;
  lookup->OnDone = [&](int, const std::string& address) { answers.push_back(address); };
  lookup->Start("localhost");
  lookup->Cancel();
  EXPECT_FALSE(lookup->Running());
  lookup->Start("");
  lookup->Start("127.0.0.1");  // replaces the empty name
  EXPECT_TRUE(Pump([&] { return !answers.empty(); }));
  PumpFor(*loop_, 100ms);
  EXPECT_EQ(answers, (std::vector<std::string>{"127.0.0.1"}));

  auto timer = loop_->CreateTimer();
  timer->OnTimer = [&] { timer.reset(); };
  timer->SetInterval(5ms);
  timer->SetEnabled(true);
  EXPECT_TRUE(Pump([&] { return timer == nullptr; }));

  std::string reported;
  loop_->OnUnhandledException = [&](const std::exception& e) { reported = e.what(); };
  loop_->Post([] { throw std::runtime_error("from a posted call"); });
  EXPECT_TRUE(Pump([&] { return !reported.empty(); }));
  EXPECT_EQ(reported, "from a posted call");
}

}  // namespace
}  // namespace kasumido
