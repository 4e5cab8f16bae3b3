// The event-loop contract that every back end's own loop keeps (the Qt loop on Linux, the
// message-queue loop on Windows): timers, posted calls, level-triggered socket notifiers
// on real loopback connections, host lookups with the program's error numbers, and
// handles that go inside their own callbacks. Built into each platform's suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/sockets.h"
#include "platform/waits.h"
#include "support/loopback_peer.h"

namespace kasumido {

// Each back end's loop (platform/qt/qt_event_loop.h, platform/win32/win32_event_loop.h).
std::unique_ptr<EventLoop> MakeEventLoop();

namespace {

using namespace std::chrono_literals;
using test::LoopbackPeer;

class EventLoopContractTest : public testing::Test {
 protected:
  bool Pump(const std::function<bool()>& done, Milliseconds limit = 3s) {
    return PumpUntil(*loop_, done, loop_->Now() + limit);
  }
  // A socket of ours connecting to 127.0.0.1:`port`.
  SocketHandle Connect(const std::string& port) {
    int error = 0;
    const SocketHandle socket = OpenTcpSocket(error);
    EXPECT_NE(socket, kInvalidSocket) << error;
    const int started =
        ConnectSocket(socket, 0x7F000001, static_cast<std::uint16_t>(std::stoi(port)));
    EXPECT_TRUE(started == 0 || started == socket_errors::kInProgress) << started;
    return socket;
  }

  // A socket of ours connected to a peer that sends "xy" and then holds the connection
  // open until ReleasePeer.
  SocketHandle ConnectToPeerSendingXy() {
    peer_.emplace([this](SocketHandle fd) {
      LoopbackPeer::WriteAll(fd, "xy");
      may_close_.get_future().wait_for(5s);
    });
    return Connect(peer_->Port());
  }
  void ReleasePeer() {
    if (!released_) may_close_.set_value();
    released_ = true;
  }
  void JoinPeer() {
    ReleasePeer();
    if (peer_) peer_->Join();
  }
  void TearDown() override { JoinPeer(); }

  std::unique_ptr<EventLoop> loop_ = MakeEventLoop();
  std::promise<void> may_close_;
  bool released_ = false;
  std::optional<LoopbackPeer> peer_;
};

TEST_F(EventLoopContractTest, TimersFireOnlyWhileEnabledWithAnIntervalAndPostsRunInOrder) {
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

TEST_F(EventLoopContractTest, ReadNotifierFiresAgainWhileBytesWaitAndOnThePeersClose) {
  const SocketHandle socket = ConnectToPeerSendingXy();
  {
    auto readable = loop_->CreateSocketNotifier(socket, SocketEvent::kRead);
    int activations = 0;
    readable->OnActivated = [&] { ++activations; };
    readable->SetEnabled(true);
    // Nothing is read: level-triggered, it keeps firing.
    EXPECT_TRUE(Pump([&] { return activations >= 3; }));
    readable->SetEnabled(false);
    const int disabled_at = activations;
    PumpFor(*loop_, 30ms);
    EXPECT_EQ(activations, disabled_at);

    std::string got;
    bool closed = false;
    readable->OnActivated = [&] {
      char buffer[16];
      int error = 0;
      const std::ptrdiff_t count = ReceiveFromSocket(socket, buffer, sizeof buffer, error);
      if (count > 0) got.append(buffer, static_cast<std::size_t>(count));
      if (count == 0) closed = true;
    };
    readable->SetEnabled(true);
    EXPECT_TRUE(Pump([&] { return got == "xy"; }));
    ReleasePeer();
    EXPECT_TRUE(Pump([&] { return closed; })) << "the close after the last byte reads as ready";
  }
  JoinPeer();
  CloseSocket(socket);
}

// A handler that waits in the loop with bytes still unread is not called again inside
// itself; the watch it switches off and on meanwhile holds once it returns.
TEST_F(EventLoopContractTest, ReadNotifierIsNeverNestedInsideItsOwnHandler) {
  const SocketHandle socket = ConnectToPeerSendingXy();
  {
    auto readable = loop_->CreateSocketNotifier(socket, SocketEvent::kRead);
    int activations = 0;
    int depth = 0;
    int deepest = 0;
    std::string got;
    readable->OnActivated = [&] {
      deepest = std::max(deepest, ++depth);
      if (++activations == 1) {
        readable->SetEnabled(false);
        readable->SetEnabled(true);
        PumpFor(*loop_, 50ms);
      }
      char byte = 0;
      int error = 0;
      if (ReceiveFromSocket(socket, &byte, 1, error) == 1) got += byte;  // one at a time
      --depth;
    };
    readable->SetEnabled(true);
    EXPECT_TRUE(Pump([&] { return got == "xy"; })) << got;
    EXPECT_EQ(deepest, 1);
  }
  JoinPeer();
  CloseSocket(socket);
}

TEST_F(EventLoopContractTest, WriteNotifierReportsTheEndOfAConnectAndItsOutcome) {
  LoopbackPeer listening([](SocketHandle fd) { LoopbackPeer::ReadAll(fd); });
  struct Case {
    const char* name;
    std::string port;
    int outcome;
  };
  for (const Case& c : {Case{"accepted", listening.Port(), 0},
                        Case{"refused", test::UnusedLoopbackPort(), 10061}}) {
    SCOPED_TRACE(c.name);
    const SocketHandle socket = Connect(c.port);
    {
      auto writable = loop_->CreateSocketNotifier(socket, SocketEvent::kWrite);
      bool ready = false;
      writable->OnActivated = [&] { ready = true; };
      writable->SetEnabled(true);
      EXPECT_TRUE(Pump([&] { return ready; }));
      EXPECT_EQ(PendingSocketError(socket), c.outcome);
    }
    CloseSocket(socket);
  }
}

TEST_F(EventLoopContractTest, WriteNotifierLeftEnabledOnAFullBufferFiresOnceThereIsRoomAgain) {
  std::promise<void> may_read;
  std::string received;
  LoopbackPeer peer([&](SocketHandle fd) {
    may_read.get_future().wait_for(5s);
    received = LoopbackPeer::ReadAll(fd);
  });
  const SocketHandle socket = Connect(peer.Port());
  const std::string chunk(64 * 1024, 'k');
  std::size_t sent = 0;
  bool blocked = false;
  {
    auto writable = loop_->CreateSocketNotifier(socket, SocketEvent::kWrite);
    // Sends until the buffers are full, and again whenever the socket has room.
    writable->OnActivated = [&] {
      for (;;) {
        int error = 0;
        const std::ptrdiff_t count = SendOnSocket(socket, chunk.data(), chunk.size(), error);
        if (count < 0) {
          blocked = blocked || error == socket_errors::kWouldBlock;
          return;
        }
        sent += static_cast<std::size_t>(count);
      }
    };
    writable->SetEnabled(true);
    ASSERT_TRUE(Pump([&] { return blocked; }));
    const std::size_t at_full = sent;
    may_read.set_value();
    EXPECT_TRUE(Pump([&] { return sent > at_full + 4 * chunk.size(); }))
        << "fires again once the peer has taken bytes";
  }
  ShutdownSending(socket);
  peer.Join();
  CloseSocket(socket);
  EXPECT_EQ(received.size(), sent);
}

TEST_F(EventLoopContractTest, BackToBackYieldsEachRunTheCallPostedBeforeThem) {
  for (int i = 0; i < 3; ++i) {
    bool ran = false;
    loop_->Post([&] { ran = true; });
    YieldToUI(*loop_);
    EXPECT_TRUE(ran) << i;
  }
}

TEST_F(EventLoopContractTest, HostLookupAnswersFromTheLoopWithTheProgramsErrorNumbers) {
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
    ASSERT_TRUE(Pump([&] { return done; }, 20s));
    EXPECT_FALSE(lookup->Running());
    // A resolver may also answer an unknown name as a name without an address.
    if (c.error == 11001 && !c.host.empty() && error == 11004) error = 11001;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(address, c.address);
  }
}

TEST_F(EventLoopContractTest, CancelledOrReplacedLookupNeverAnswersAndHandlesMayGoInCallbacks) {
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
