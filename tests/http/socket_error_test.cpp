#include "http/socket_error.h"
#include "platform/sockets.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <set>

namespace kasumido {
namespace {

TEST(SocketErrorText, GivesTheTextOfEveryKnownNumber) {
  const std::pair<int, const char*> cases[] = {
      {0, "No Error"},
      {10004, "Interrupted system call"},
      {10022, "Invalid argument"},
      {10035, "Operation would block"},
      {10047, "Address family not supported by protocol family"},
      {10053, "Connection aborted"},
      {10054, "Connection reset by peer"},
      {10057, "Socket is not connected"},
      {10059, "Too many references: can't splice"},
      {10061, "Connection refused"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network sub-system is unusable"},
      {10093, "WinSock not initialized"},
      {11001, "Host not found"},
      {11004, "No Data"},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(SocketErrorText(error), text) << error;
}

TEST(SocketErrorText, KnowsExactlyTheFiftyOneNumbersOfItsTable) {
  std::set<std::string> texts;
  int known = 0;
  for (int error = -1; error <= 12000; ++error) {
    const std::string text = SocketErrorText(error);
    if (text == "Not a WinSock error") continue;
    ++known;
    texts.insert(text);
  }
  EXPECT_EQ(known, 51);
  EXPECT_EQ(texts.size(), 51u) << "every number has a text of its own";
  for (const int outside : {1, 10000, 10072, 10090, 11000, 11005, -10061}) {
    EXPECT_EQ(SocketErrorText(outside), "Not a WinSock error") << outside;
  }
}

TEST(SocketErrorFromSystem, MapsSystemErrorsOntoTheReportedNumbers) {
  const std::pair<int, int> cases[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},  {ENETUNREACH, 10051}, {EHOSTUNREACH, 10065},
      {ECONNRESET, 10054},   {ENOTCONN, 10057},   {EAGAIN, 10035},      {EWOULDBLOCK, 10035},
      {EINPROGRESS, 10036},  {EPIPE, 10054},      {EINVAL, 10022},      {ENOTSOCK, 10038},
      {ECONNABORTED, 10053}, {EADDRINUSE, 10048}, {EINTR, 10004},       {0, 0},
  };
  for (const auto& [errno_value, error] : cases) {
    EXPECT_EQ(SocketErrorFromSystem(errno_value), error) << errno_value;
  }
  // No counterpart: the number is kept, and it is not mistaken for a known one.
  EXPECT_EQ(SocketErrorFromSystem(ENOENT), ENOENT);
  EXPECT_EQ(SocketErrorText(SocketErrorFromSystem(ENOENT)), "Not a WinSock error");
}

TEST(SocketErrorMessage, NamesNumberFunctionAndText) {
  EXPECT_EQ(SocketErrorMessage(10057, "Send"),
            "Error 10057 in function Send\r\nSocket is not connected");
  EXPECT_EQ(SocketErrorMessage(42, "recv"), "Error 42 in function recv\r\nNot a WinSock error");
}

}  // namespace
}  // namespace kasumido
