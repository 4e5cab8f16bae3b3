#include "support/raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace kasumido::test {

RawResponse RawExchange(std::uint16_t port, std::string_view request,
                        std::chrono::milliseconds timeout, std::size_t max_bytes) {
  RawResponse response;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return response;
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  limit.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    while (!request.empty()) {
      const ssize_t sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
      if (sent <= 0) break;
      request.remove_prefix(static_cast<std::size_t>(sent));
    }
    char buffer[65536];
    for (;;) {
      const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
      if (count < 0 && errno == EINTR) continue;
      if (count == 0) response.peer_closed = true;
      if (count < 0 && errno != EAGAIN) response.error = errno;
      if (count <= 0) break;
      response.bytes.append(buffer, static_cast<std::size_t>(count));
      if (response.bytes.size() >= max_bytes) break;
    }
  } else {
    response.error = errno;
  }
  ::close(fd);
  return response;
}

std::string_view ResponseBody(std::string_view response) {
  const std::size_t end = response.find("\r\n\r\n");
  return end == std::string_view::npos ? std::string_view() : response.substr(end + 4);
}

}  // namespace kasumido::test
