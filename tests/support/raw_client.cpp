#include "support/raw_client.h"

#include "http/socket_error.h"
#include "platform/sockets.h"

namespace kasumido::test {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// 0 once `socket` is connected to 127.0.0.1:`port`, else the socket error.
int Connect(SocketHandle socket, std::uint16_t port, int timeout_ms) {
  const int started = ConnectSocket(socket, kLoopback, port);
  if (started != socket_error::kInProgress) return started;
  if (!WaitForSocket(socket, SocketDirection::kSend, timeout_ms)) return socket_error::kTimedOut;
  return PendingSocketError(socket);
}

void SendAll(SocketHandle socket, std::string_view bytes, int timeout_ms) {
  while (!bytes.empty() && WaitForSocket(socket, SocketDirection::kSend, timeout_ms)) {
    int error = 0;
    const std::ptrdiff_t sent = SendOnSocket(socket, bytes.data(), bytes.size(), error);
    if (sent < 0 && error != socket_error::kWouldBlock) return;
    if (sent > 0) bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

}  // namespace

RawResponse RawExchange(std::uint16_t port, std::string_view request,
                        std::chrono::milliseconds timeout, std::size_t max_bytes) {
  RawResponse response;
  const int timeout_ms = static_cast<int>(timeout.count());
  int error = 0;
  const SocketHandle socket = OpenTcpSocket(error);
  if (socket == kInvalidSocket) return response;
  response.error = Connect(socket, port, timeout_ms);
  if (response.error == 0) SendAll(socket, request, timeout_ms);
  while (response.error == 0 && response.bytes.size() < max_bytes) {
    char buffer[65536];
    const std::ptrdiff_t count = ReceiveWithin(socket, buffer, sizeof buffer, timeout_ms, error);
    if (count <= 0) {
      response.peer_closed = count == 0;
      // A time-out is no error here: the answer is what came before it.
      if (count < 0 && error != socket_error::kTimedOut) response.error = error;
      break;
    }
    response.bytes.append(buffer, static_cast<std::size_t>(count));
  }
  CloseSocket(socket);
  return response;
}

std::string_view ResponseBody(std::string_view response) {
  const std::size_t end = response.find("\r\n\r\n");
  return end == std::string_view::npos ? std::string_view() : response.substr(end + 4);
}

}  // namespace kasumido::test
