#include "http/socket_transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/qt/qt_event_loop.h"
#include "platform/waits.h"
#include "support/loopback_peer.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::LoopbackPeer;

enum class LoopKind { kQt, kTest };

std::string LoopName(const testing::TestParamInfo<LoopKind>& info) {
  return info.param == LoopKind::kQt ? "QtLoop" : "TestLoop";
}

// Every test runs once on the Qt loop and once on the deterministic loop (which polls
// the real descriptors), against real loopback sockets.
class SocketTransportTest : public testing::TestWithParam<LoopKind> {
 protected:
  SocketTransportTest()
      : loop_(GetParam() == LoopKind::kQt ? MakeEventLoop()
                                          : std::make_unique<test::TestEventLoop>()),
        transport_(std::make_unique<TSocketTransport>(*loop_)) {
    TSocketTransport& t = *transport_;
    t.OnDnsLookupDone = [this](int error) { Record("dns", error); };
    t.OnSessionConnected = [this](int error) { Record("connected", error); };
    t.OnDataAvailable = [this](int) { ReadWaiting(); };
    t.OnDataSent = [this](int error) { Record("sent", error); };
    t.OnSessionClosed = [this](int error) {
      bytes_at_close_ = received_.size();
      Record("closed", error);
    };
    t.OnError = [this](const std::string& message) { events_.push_back("error " + message); };
  }

  void Record(const std::string& what, int error) {
    events_.push_back(what + " " + std::to_string(error));
  }
  void ReadWaiting() {
    char buffer[4096];
    const int count = transport_->Receive(buffer, sizeof buffer);
    if (count > 0) received_.append(buffer, static_cast<std::size_t>(count));
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(events_.begin(), events_.end(), event));
  }
  bool Seen(const std::string& prefix) const {
    return std::any_of(events_.begin(), events_.end(),
                       [&](const std::string& event) { return event.rfind(prefix, 0) == 0; });
  }
  // Pumps the event loop until `done` holds; false after 5 s of loop time.
  bool Pump(const std::function<bool()>& done) {
    return PumpUntil(*loop_, done, loop_->Now() + 5s);
  }
  bool PumpUntilSeen(const std::string& prefix) {
    return Pump([&] { return Seen(prefix); });
  }
  bool StartConnect(const std::string& port) {
    transport_->Addr = "127.0.0.1";
    transport_->Port = port;
    return transport_->Connect();
  }
  void ConnectTo(const std::string& port) {
    ASSERT_TRUE(StartConnect(port));
    ASSERT_TRUE(PumpUntilSeen("connected")) << "no connect outcome";
    ASSERT_EQ(events_.back(), "connected 0");
  }

  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<TSocketTransport> transport_;
  std::vector<std::string> events_;
  std::string received_;
  std::size_t bytes_at_close_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Loops, SocketTransportTest,
                         testing::Values(LoopKind::kQt, LoopKind::kTest), LoopName);

TEST_P(SocketTransportTest, DeliversEveryByteBeforeThePeersClose) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{3 * 1460 + 7}, std::size_t{600000}}) {
    SCOPED_TRACE(size);
    events_.clear();
    received_.clear();
    const std::string payload = test::PatternBytes(size);
    LoopbackPeer peer([&payload](SocketHandle fd) { LoopbackPeer::WriteAll(fd, payload); });
    ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntilSeen("closed"));
    EXPECT_EQ(received_, payload);
    EXPECT_EQ(bytes_at_close_, size);
    EXPECT_EQ(events_, (std::vector<std::string>{"connected 0", "closed 0"}));
    EXPECT_EQ(transport_->State(), TSocketState::ssClosed);
    EXPECT_EQ(transport_->ReadCount(), static_cast<std::int64_t>(size));
  }
}

TEST_P(SocketTransportTest, RefusedConnectionReportsConnectedWithTheErrorThenClosed) {
  ASSERT_TRUE(StartConnect(test::UnusedLoopbackPort()));
  EXPECT_TRUE(events_.empty()) << "the outcome must come from the loop";
  EXPECT_EQ(transport_->State(), TSocketState::ssConnecting);
  ASSERT_TRUE(PumpUntilSeen("closed"));
  EXPECT_EQ(events_, (std::vector<std::string>{"connected 10061", "closed 10061"}));
  EXPECT_EQ(transport_->LastError(), 10061);
  EXPECT_EQ(transport_->State(), TSocketState::ssClosed);
}

TEST_P(SocketTransportTest, CloseIsGracefulAbortResetsAndEachClosesOnce) {
  struct Case {
    const char* name;
    void (TSocketTransport::*end)();
    bool peer_sees_reset;
  };
  for (const Case& c : {Case{"Close", &TSocketTransport::Close, false},
                        Case{"Abort", &TSocketTransport::Abort, true}}) {
    SCOPED_TRACE(c.name);
    events_.clear();
    std::string got;
    bool reset = false;
    LoopbackPeer peer([&](SocketHandle fd) { got = LoopbackPeer::ReadAll(fd, &reset); });
    ConnectTo(peer.Port());
    const std::string request = test::PatternBytes(1000);
    ASSERT_EQ(transport_->Send(request), 1000);
    (transport_.get()->*c.end)();  // at once, before the loop has run again
    EXPECT_EQ(events_.back(), "closed 0") << "raised inside the call";
    EXPECT_EQ(transport_->State(), TSocketState::ssClosed);
    (transport_.get()->*c.end)();
    transport_->Close();
    PumpFor(*loop_, 30ms);
    EXPECT_EQ(Count("closed 0"), 1);
    peer.Join();
    EXPECT_EQ(reset, c.peer_sees_reset);
    if (!c.peer_sees_reset) {
      EXPECT_EQ(got, request) << "a graceful close delivers what was sent";
    }
  }
}

TEST_P(SocketTransportTest, CloseAfterTheQueueHasEmptiedLosesNothing) {
  // The peer reads nothing for a while, so when the queue has emptied part of the bytes
  // still wait in the system's send buffer; the close must not drop them.
  for (const std::size_t size : {std::size_t{64 * 1024}, std::size_t{512 * 1024}}) {
    SCOPED_TRACE(size);
    events_.clear();
    const std::string payload = test::PatternBytes(size);
    std::string got;
    bool reset = false;
    LoopbackPeer peer([&](SocketHandle fd) {
      usleep(300'000);
      got = LoopbackPeer::ReadAll(fd, &reset);
    });
    ConnectTo(peer.Port());
    ASSERT_EQ(transport_->Send(payload), static_cast<int>(size));
    ASSERT_TRUE(PumpUntilSeen("sent"));
    transport_->Close();
    peer.Join();
    EXPECT_FALSE(reset);
    EXPECT_EQ(got.size(), size);
    EXPECT_TRUE(got == payload);
  }
}

TEST_P(SocketTransportTest, SendWhileNotConnectedFailsWith10057) {
  struct Case {
    const char* name;
    bool connecting;
    bool on_error_set;
    std::vector<std::string> events;
  };
  const std::string message = "Error 10057 in function Send\r\nSocket is not connected";
  const Case cases[] = {
      {"never connected", false, true, {"error " + message}},
      // Sending on a connection still being made ends it, like any 10057.
      {"connecting", true, true, {"closed 10057", "error " + message}},
      {"no error handler", false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.clear();
    transport_ = std::make_unique<TSocketTransport>(*loop_);
    transport_->OnSessionClosed = [this](int error) { Record("closed", error); };
    if (c.on_error_set) {
      transport_->OnError = [this](const std::string& text) { events_.push_back("error " + text); };
    }
    std::optional<LoopbackPeer> peer;
    if (c.connecting) {
      peer.emplace([](SocketHandle fd) { LoopbackPeer::ReadAll(fd); });
      ASSERT_TRUE(StartConnect(peer->Port()));
    }
    if (c.on_error_set) {
      EXPECT_EQ(transport_->Send("GET"), -1);
    } else {
      try {
        transport_->Send("GET");
        ADD_FAILURE() << "no exception";
      } catch (const ESocketException& error) {
        EXPECT_EQ(error.what(), message);
        EXPECT_EQ(error.Error(), 10057);
      }
    }
    EXPECT_EQ(events_, c.events);
    EXPECT_EQ(transport_->LastError(), 10057);
    EXPECT_EQ(transport_->LastErrorMessage(), message);
    EXPECT_EQ(transport_->State(), TSocketState::ssClosed);
  }
}

TEST_P(SocketTransportTest, LargeSendIsQueuedAndArrivesIntact) {
  const std::string payload = test::PatternBytes(8 * 1024 * 1024 + 123);
  std::string got;
  LoopbackPeer peer([&got](SocketHandle fd) {
    usleep(50'000);  // let the sender's queue fill first
    got = LoopbackPeer::ReadAll(fd);
  });
  ConnectTo(peer.Port());
  transport_->OnDataSent = [this](int error) {
    Record("sent", error);
    transport_->Close();  // what the client does after its request
  };
  ASSERT_EQ(transport_->Send(payload), static_cast<int>(payload.size()));
  EXPECT_FALSE(Seen("sent")) << "OnDataSent comes from the loop";
  ASSERT_TRUE(PumpUntilSeen("closed"));
  peer.Join();
  EXPECT_EQ(got.size(), payload.size());
  EXPECT_TRUE(got == payload) << "bytes lost, doubled or out of order";
  EXPECT_EQ(Count("sent 0"), 1);
}

TEST_P(SocketTransportTest, ExceptionInAHandlerIsABackgroundExceptionThatAborts) {
  struct Case {
    const char* name;
    bool set_handler;
    bool can_close;
    bool aborted;
  };
  for (const Case& c : {Case{"no OnBgException", false, true, true},
                        Case{"handler leaves CanClose", true, true, true},
                        Case{"handler clears CanClose", true, false, false}}) {
    SCOPED_TRACE(c.name);
    events_.clear();
    transport_->OnDataAvailable = [this](int) {
      ReadWaiting();
      throw std::runtime_error("HTTP line too long");
    };
    std::vector<std::string> reported;
    transport_->OnBgException = nullptr;
    if (c.set_handler) {
      transport_->OnBgException = [&](const std::exception& error, bool& can_close) {
        reported.push_back(error.what());
        EXPECT_TRUE(can_close) << "CanClose starts true";
        can_close = c.can_close;
      };
    }
    bool reset = false;
    LoopbackPeer peer([&reset](SocketHandle fd) {
      LoopbackPeer::WriteAll(fd, "HTTP/1.0 200 OK\r\n");
      LoopbackPeer::ReadAll(fd, &reset);
    });
    ConnectTo(peer.Port());
    ASSERT_TRUE(Pump([&] { return !received_.empty(); }));
    PumpFor(*loop_, 20ms);
    if (c.set_handler) {
      EXPECT_EQ(reported, std::vector<std::string>{"HTTP line too long"});
    }
    EXPECT_EQ(Count("closed 0"), c.aborted ? 1 : 0);
    EXPECT_EQ(transport_->State(), c.aborted ? TSocketState::ssClosed : TSocketState::ssConnected);
    transport_->Close();
    peer.Join();
    EXPECT_EQ(reset, c.aborted) << "an abort resets, a close does not";
    received_.clear();
  }
}

// The lifetime rule: a handler never destroys the transport, it posts the destruction;
// one that destroys it at once ends the program with a message naming the rule, rather
// than let the transport go on in freed memory.
TEST_P(SocketTransportTest, AHandlerPostsTheTransportsDestructionAndNeverDestroysIt) {
  struct Case {
    const char* name;
    std::function<void(std::function<void()> destroy)> arrange;
  };
  const Case cases[] = {
      {"OnSessionConnected",
       [this](auto destroy) { transport_->OnSessionConnected = [destroy](int) { destroy(); }; }},
      {"OnDataAvailable",
       [this](auto destroy) { transport_->OnDataAvailable = [destroy](int) { destroy(); }; }},
      {"OnSessionClosed",
       [this](auto destroy) { transport_->OnSessionClosed = [destroy](int) { destroy(); }; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    transport_ = std::make_unique<TSocketTransport>(*loop_);
    bool destroyed = false;
    c.arrange([this, &destroyed] {
      loop_->Post([this, &destroyed] {
        transport_.reset();
        destroyed = true;
      });
    });
    LoopbackPeer peer([](SocketHandle fd) { LoopbackPeer::WriteAll(fd, "bye"); });
    ASSERT_TRUE(StartConnect(peer.Port()));
    ASSERT_TRUE(Pump([&] { return destroyed; }));
    PumpFor(*loop_, 20ms);  // nothing stale may fire now
    EXPECT_TRUE(transport_ == nullptr);
  }
}

TEST_P(SocketTransportTest, DestroyingTheTransportInsideItsOwnEventEndsTheProgram) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_DEATH(
      {
        LoopbackPeer peer([](SocketHandle fd) { LoopbackPeer::ReadAll(fd); });
        ConnectTo(peer.Port());
        transport_->OnSessionClosed = [this](int) { transport_.reset(); };
        transport_->Close();
      },
      "TSocketTransport destroyed inside one of its own events");
}

TEST_P(SocketTransportTest, DnsLookupOfADottedAddressCompletesInsideTheCall) {
  const std::pair<std::string, std::string> cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {" 10.0.0.255\t", "10.0.0.255"},
      {"192.168.001.010", "192.168.1.10"},
  };
  for (const auto& [host, result] : cases) {
    SCOPED_TRACE(host);
    events_.clear();
    transport_->DnsLookup(host);
    EXPECT_EQ(events_, std::vector<std::string>{"dns 0"});
    EXPECT_EQ(transport_->DnsResult(), result);
    EXPECT_FALSE(transport_->LookupRunning());
  }
}

TEST_P(SocketTransportTest, DnsLookupOfAnEmptyHostReportsThenCompletesWith10022) {
  for (const std::string host : {"", "  "}) {
    events_.clear();
    transport_->DnsLookup(host);
    EXPECT_EQ(events_, std::vector<std::string>{"error DNS lookup: invalid host name."});
    EXPECT_EQ(transport_->LastError(), 10022);
    ASSERT_TRUE(PumpUntilSeen("dns"));
    EXPECT_EQ(events_.back(), "dns 10022");
  }
  // Without an error handler the call raises, and no completion follows.
  events_.clear();
  transport_->OnError = nullptr;
  EXPECT_THROW(transport_->DnsLookup(""), ESocketException);
  PumpFor(*loop_, 20ms);
  EXPECT_TRUE(events_.empty());
}

TEST_P(SocketTransportTest, DnsLookupOfANameCompletesFromTheLoop) {
  transport_->DnsLookup("localhost");
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(transport_->LookupRunning());
  ASSERT_TRUE(PumpUntilSeen("dns"));
  EXPECT_EQ(events_, std::vector<std::string>{"dns 0"});
  EXPECT_EQ(transport_->DnsResult(), "127.0.0.1");
}

TEST_P(SocketTransportTest, CancelledLookupCompletesAtOnceWith10004AndNeverAgain) {
  transport_->CancelDnsLookup();  // none running: nothing
  EXPECT_TRUE(events_.empty());
  transport_->DnsLookup("localhost");
  transport_->CancelDnsLookup();
  EXPECT_EQ(events_, std::vector<std::string>{"dns 10004"});
  EXPECT_FALSE(transport_->LookupRunning());
  transport_->CancelDnsLookup();
  PumpFor(*loop_, 100ms);
  EXPECT_EQ(events_, std::vector<std::string>{"dns 10004"});
}

TEST_P(SocketTransportTest, NewLookupReplacesARunningOne) {
  transport_->DnsLookup("localhost");
  transport_->DnsLookup("localhost");
  ASSERT_TRUE(PumpUntilSeen("dns"));
  PumpFor(*loop_, 100ms);
  EXPECT_EQ(events_, std::vector<std::string>{"dns 0"});
}

TEST_P(SocketTransportTest, ConnectChecksItsSettingsInOrder) {
  struct Case {
    const char* addr;
    const char* port;
    const char* proto;
    std::string message;
    int error;
  };
  const Case cases[] = {
      {"", "", "", "Connect: No Port Specified", 10022},
      {"", "80", "", "Connect: No IP Address Specified", 10022},
      {"127.0.0.1", "80", "", "Connect: No Protocol Specified", 10022},
      {"127.0.0.1", "80", "udp", "connect: unsupported protocol udp", 10043},
      {"127.0.0.1", "no-such-service", "tcp", "connect: unknown port no-such-service", 10022},
      {"127.0.0.1", "70000", "tcp", "connect: unknown port 70000", 10022},
      {"localhost", "80", "tcp", "connect: not a dotted IPv4 address: localhost", 10022},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    events_.clear();
    transport_->Addr = c.addr;
    transport_->Port = c.port;
    transport_->Proto = c.proto;
    EXPECT_FALSE(transport_->Connect());
    EXPECT_EQ(events_, std::vector<std::string>{"error " + c.message});
    EXPECT_EQ(transport_->LastError(), c.error);
    EXPECT_EQ(transport_->State(), TSocketState::ssClosed);
  }
  transport_->OnError = nullptr;
  transport_->Port = "";
  EXPECT_THROW(transport_->Connect(), ESocketException);
}

TEST_P(SocketTransportTest, ConnectWhileConnectedIsRefusedAndKeepsTheConnection) {
  LoopbackPeer peer([](SocketHandle fd) { LoopbackPeer::ReadAll(fd); });
  ConnectTo(peer.Port());
  events_.clear();
  EXPECT_FALSE(transport_->Connect());
  EXPECT_EQ(events_, std::vector<std::string>{"error Connect: Socket already in use"});
  EXPECT_EQ(transport_->State(), TSocketState::ssConnected);
  transport_->Close();
}

TEST_P(SocketTransportTest, CloseRestoresTheDefaultsAndAllowsTheNextConnection) {
  for (const char* local_addr : {"0.0.0.0", "127.0.0.1"}) {
    SCOPED_TRACE(local_addr);
    events_.clear();
    LoopbackPeer peer([](SocketHandle fd) { LoopbackPeer::WriteAll(fd, "hello"); });
    transport_->Proto = "TCP";
    transport_->LocalAddr = local_addr;
    transport_->LingerOnOff = TSocketLingerOnOff::lgLingerOff;
    transport_->LingerTimeout = 7;
    transport_->ComponentOptions = {TSocketOption::soTcpNoDelay};
    ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntilSeen("closed"));
    EXPECT_EQ(received_, "hello");
    received_.clear();
    EXPECT_EQ(transport_->Proto, "tcp");
    EXPECT_EQ(transport_->LocalAddr, "0.0.0.0");
    EXPECT_EQ(transport_->LocalPort, "0");
    EXPECT_EQ(transport_->LingerOnOff, TSocketLingerOnOff::lgLingerOn);
    EXPECT_EQ(transport_->LingerTimeout, 0);
  }
}

TEST_P(SocketTransportTest, ReceiveReportsWouldBlockAndNotConnected) {
  int waiting_result = 0;
  int waiting_error = 0;
  transport_->OnSessionConnected = [&](int) {
    char byte;
    waiting_result = transport_->Receive(&byte, 1);
    waiting_error = transport_->LastError();
    Record("connected", 0);
  };
  LoopbackPeer peer([](SocketHandle fd) { LoopbackPeer::ReadAll(fd); });
  ConnectTo(peer.Port());
  EXPECT_EQ(waiting_result, -1);
  EXPECT_EQ(waiting_error, 10035);
  EXPECT_FALSE(Seen("error")) << "nothing waiting is not an error";
  transport_->Close();
  char byte;
  EXPECT_EQ(transport_->Receive(&byte, 1), -1);
  EXPECT_EQ(transport_->LastError(), 10057);
  EXPECT_EQ(events_.back(), "error Error 10057 in function recv\r\nSocket is not connected");
}

}  // namespace
}  // namespace kasumido
