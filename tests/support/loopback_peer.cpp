#include "support/loopback_peer.h"

#include <algorithm>
#include <stdexcept>

#include "http/socket_error.h"

namespace kasumido::test {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr int kTimeoutMs = 5000;

}  // namespace

LoopbackPeer::LoopbackPeer(std::function<void(SocketHandle socket)> serve) {
  int error = 0;
  listener_ = ListenOnPort(kLoopback, 0, 4, error);
  if (listener_ == kInvalidSocket) throw std::runtime_error("listen on loopback failed");
  port_ = LocalSocketPort(listener_).value_or(0);
  thread_ = std::thread([listener = listener_, serve = std::move(serve)] {
    if (!WaitForSocket(listener, SocketDirection::kReceive, kTimeoutMs)) return;
    int error = 0;
    const SocketHandle socket = AcceptOnSocket(listener, error);
    if (socket == kInvalidSocket) return;
    serve(socket);
    CloseSocket(socket);
  });
}

LoopbackPeer::~LoopbackPeer() {
  if (thread_.joinable()) thread_.join();
  CloseSocket(listener_);
}

void LoopbackPeer::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackPeer::ReadAll(SocketHandle socket, bool* reset) {
  std::string bytes;
  char buffer[16384];
  int error = 0;
  std::ptrdiff_t count = 0;
  while ((count = ReceiveWithin(socket, buffer, sizeof buffer, kTimeoutMs, error)) > 0) {
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
  if (reset != nullptr) *reset = count < 0 && error == socket_error::kConnectionReset;
  return bytes;
}

std::string LoopbackPeer::ReadSome(SocketHandle socket) {
  char buffer[65536];
  int error = 0;
  const std::ptrdiff_t count = ReceiveWithin(socket, buffer, sizeof buffer, kTimeoutMs, error);
  return std::string(buffer, static_cast<std::size_t>(std::max<std::ptrdiff_t>(count, 0)));
}

bool LoopbackPeer::WriteAll(SocketHandle socket, std::string_view bytes) {
  while (!bytes.empty() && WaitForSocket(socket, SocketDirection::kSend, kTimeoutMs)) {
    int error = 0;
    const std::ptrdiff_t count = SendOnSocket(socket, bytes.data(), bytes.size(), error);
    if (count < 0 && error != socket_error::kWouldBlock) return false;
    if (count > 0) bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return bytes.empty();
}

std::string UnusedLoopbackPort() {
  // Bound but never listening: a connection to it is refused. The port stays reserved
  // while the socket lives, so nobody else takes it during the test; it is left open.
  static const SocketHandle reserved = [] {
    int error = 0;
    const SocketHandle socket = OpenTcpSocket(error);
    if (socket != kInvalidSocket) BindSocket(socket, kLoopback, 0);
    return socket;
  }();
  return std::to_string(LocalSocketPort(reserved).value_or(0));
}

std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  return bytes;
}

}  // namespace kasumido::test
