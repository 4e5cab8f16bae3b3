// A plain client for tests of servers: one TCP exchange with 127.0.0.1.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kasumido::test {

struct RawResponse {
  std::string bytes;         // every byte received
  bool peer_closed = false;  // the server closed the connection (not a time-out)
  int error = 0;  // the socket error of a failed connect or receive (10061 refused, 10054 reset)
};

// Connects to 127.0.0.1:`port`, sends `request`, and receives until the server closes the
// connection, an error occurs, `timeout` passes without data or `max_bytes` have come
// (then it closes the connection itself). `bytes` is empty when the connection cannot be
// made.
RawResponse RawExchange(std::uint16_t port, std::string_view request,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
                        std::size_t max_bytes = SIZE_MAX);

// The body of a response: what follows the first empty line (CR LF CR LF).
std::string_view ResponseBody(std::string_view response);

}  // namespace kasumido::test
