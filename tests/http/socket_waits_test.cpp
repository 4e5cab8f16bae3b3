// The socket layer's listening sockets and blocking waits, as the tools' and tests'
// threads use them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "http/socket_error.h"
#include "platform/sockets.h"

namespace kasumido {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// The readiness WaitForSockets reports for `waits` within `timeout_ms`, as "01" strings.
std::string Readiness(std::vector<SocketWait> waits, int timeout_ms) {
  int error = 0;
  const int ready = WaitForSockets(waits, timeout_ms, error);
  std::string flags;
  for (const SocketWait& wait : waits) flags += wait.ready ? '1' : '0';
  EXPECT_EQ(ready, static_cast<int>(std::count(flags.begin(), flags.end(), '1'))) << error;
  return flags;
}

TEST(ListeningSocket, HoldsItsPortAcceptsAndWakesEachWaitOnlyForItsOwnDirection) {
  int error = 0;
  const SocketHandle listener = ListenOnPort(kLoopback, 0, 4, error);
  ASSERT_NE(listener, kInvalidSocket) << error;
  const std::uint16_t port = LocalSocketPort(listener).value_or(0);
  ASSERT_NE(port, 0);
  EXPECT_EQ(ListenOnPort(kLoopback, port, 4, error), kInvalidSocket) << "a port in use is taken";
  EXPECT_EQ(error, 10048);  // address in use
  EXPECT_EQ(AcceptOnSocket(listener, error), kInvalidSocket);
  EXPECT_EQ(error, socket_error::kWouldBlock);

  const SocketHandle client = OpenTcpSocket(error);
  const int connecting = ConnectSocket(client, kLoopback, port);
  EXPECT_TRUE(connecting == 0 || connecting == socket_error::kInProgress) << connecting;
  EXPECT_EQ(Readiness({{listener, true, false}}, 5000), "1");
  const SocketHandle server = AcceptOnSocket(listener, error);
  ASSERT_NE(server, kInvalidSocket) << error;
  EXPECT_TRUE(WaitForSocket(client, SocketDirection::kSend, 5000));

  // Nothing sent yet: only the directions that would not block are ready.
  const struct {
    std::vector<SocketWait> waits;
    std::string ready;
  } quiet[] = {
      {{{server, true, false}}, "0"},
      {{{server, true, false}, {client, false, true}}, "01"},
      {{{server, true, true}}, "1"},
  };
  for (const auto& c : quiet) EXPECT_EQ(Readiness(c.waits, 50), c.ready) << c.ready;

  ASSERT_EQ(SendOnSocket(client, "x", 1, error), 1) << error;
  EXPECT_EQ(Readiness({{server, true, false}, {client, true, false}}, 5000), "10");
  char byte = 0;
  EXPECT_EQ(ReceiveWithin(server, &byte, 1, 5000, error), 1);
  EXPECT_EQ(ReceiveWithin(server, &byte, 1, 50, error), -1);
  EXPECT_EQ(error, socket_error::kTimedOut);
  // The peer's close wakes a receive, which then reads the end of the stream.
  CloseSocket(client);
  EXPECT_EQ(Readiness({{server, true, false}}, 5000), "1");
  EXPECT_EQ(ReceiveFromSocket(server, &byte, 1, error), 0);
  CloseSocket(server);
  CloseSocket(listener);
}

TEST(ListeningSocket, AReceiveWithinATimeOutTellsAResetFromAnEnd) {
  int error = 0;
  const SocketHandle listener = ListenOnPort(kLoopback, 0, 4, error);
  ASSERT_NE(listener, kInvalidSocket) << error;
  for (const bool reset : {false, true}) {
    const SocketHandle client = OpenTcpSocket(error);
    ConnectSocket(client, kLoopback, LocalSocketPort(listener).value_or(0));
    ASSERT_TRUE(WaitForSocket(listener, SocketDirection::kReceive, 5000));
    const SocketHandle server = AcceptOnSocket(listener, error);
    ASSERT_TRUE(WaitForSocket(client, SocketDirection::kSend, 5000));
    SetSocketLinger(client, reset, 0);
    CloseSocket(client);
    char byte = 0;
    EXPECT_EQ(ReceiveWithin(server, &byte, 1, 5000, error), reset ? -1 : 0) << reset;
    if (reset) {
      EXPECT_EQ(error, socket_error::kConnectionReset);
    }
    CloseSocket(server);
  }
  CloseSocket(listener);
}

}  // namespace
}  // namespace kasumido
