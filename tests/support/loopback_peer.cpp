#include "support/loopback_peer.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kasumido::test {
namespace {

constexpr int kTimeoutMs = 5000;

// A listening socket on 127.0.0.1 with a port chosen by the system.
int ListenOnLoopback(std::uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("listen on loopback failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

LoopbackPeer::LoopbackPeer(std::function<void(int fd)> serve) {
  listener_ = ListenOnLoopback(port_);
  thread_ = std::thread([listener = listener_, serve = std::move(serve)] {
    pollfd waiting{listener, POLLIN, 0};
    if (poll(&waiting, 1, kTimeoutMs) != 1) return;
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    const timeval timeout{kTimeoutMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    serve(fd);
    close(fd);
  });
}

LoopbackPeer::~LoopbackPeer() {
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

void LoopbackPeer::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackPeer::ReadAll(int fd, bool* reset) {
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
    if (count > 0) {
      bytes.append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (reset != nullptr) *reset = count < 0 && errno == ECONNRESET;
    return bytes;
  }
}

bool LoopbackPeer::WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

std::string UnusedLoopbackPort() {
  // Bound but never listening: a connection to it is refused. The port stays reserved
  // while the socket lives, so nobody else takes it during the test; it is left open.
  static const int reserved = [] {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
  }();
  sockaddr_in address{};
  socklen_t length = sizeof address;
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
