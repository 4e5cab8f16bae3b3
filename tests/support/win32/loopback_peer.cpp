// The loopback peer on Windows: the same blocking peer over Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "support/loopback_peer.h"

namespace kasumido::test {
namespace {

constexpr int kTimeoutMs = 5000;

SOCKET Native(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }

void StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("WSAStartup failed");
}

// A listening socket on 127.0.0.1 with a port chosen by the system.
SOCKET ListenOnLoopback(std::uint16_t& port) {
  StartWinsock();
  const SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(fd);
    throw std::runtime_error("listen on loopback failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

LoopbackPeer::LoopbackPeer(std::function<void(int fd)> serve) {
  listener_ = static_cast<int>(ListenOnLoopback(port_));
  thread_ = std::thread([listener = Native(listener_), serve = std::move(serve)] {
    WSAPOLLFD waiting{listener, POLLRDNORM, 0};
    if (WSAPoll(&waiting, 1, kTimeoutMs) != 1) return;
    const SOCKET fd = accept(listener, nullptr, nullptr);
    if (fd == INVALID_SOCKET) return;
    const DWORD timeout = kTimeoutMs;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    serve(static_cast<int>(fd));
    closesocket(fd);
  });
}

LoopbackPeer::~LoopbackPeer() {
  if (thread_.joinable()) thread_.join();
  closesocket(Native(listener_));
}

void LoopbackPeer::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackPeer::ReadAll(int fd, bool* reset) {
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const int count = recv(Native(fd), buffer, sizeof buffer, 0);
    if (count > 0) {
      bytes.append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (reset != nullptr) *reset = count < 0 && WSAGetLastError() == WSAECONNRESET;
    return bytes;
  }
}

bool LoopbackPeer::WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const int count = send(Native(fd), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

std::string UnusedLoopbackPort() {
  // Bound but never listening: a connection to it is refused. The port stays reserved
  // while the socket lives; it is left open.
  static const SOCKET reserved = [] {
    StartWinsock();
    const SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
  }();
  sockaddr_in address{};
  int length = sizeof address;
  getsockname(reserved, reinterpret_cast<sockaddr*>(&address), &length);
  return std::to_string(ntohs(address.sin_port));
}

std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  return bytes;
}

}  // namespace kasumido::test
