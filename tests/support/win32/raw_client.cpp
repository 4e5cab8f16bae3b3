// The raw client on Windows: the same exchange over Winsock; the Winsock errors of a
// refused or reset connection are reported as ECONNREFUSED and ECONNRESET.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cerrno>

#include "support/raw_client.h"

namespace kasumido::test {
namespace {

int ErrnoFor(int winsock_error) {
  switch (winsock_error) {
    case WSAECONNREFUSED:
      return ECONNREFUSED;
    case WSAECONNRESET:
      return ECONNRESET;
    case WSAETIMEDOUT:
      return 0;  // a time-out is no error here, as EAGAIN is not on Linux
    default:
      return winsock_error;
  }
}

}  // namespace

RawResponse RawExchange(std::uint16_t port, std::string_view request,
                        std::chrono::milliseconds timeout, std::size_t max_bytes) {
  RawResponse response;
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return response;
  const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) {
    WSACleanup();
    return response;
  }
  const DWORD limit = static_cast<DWORD>(timeout.count());
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    while (!request.empty()) {
      const int sent = ::send(fd, request.data(), static_cast<int>(request.size()), 0);
      if (sent <= 0) break;
      request.remove_prefix(static_cast<std::size_t>(sent));
    }
    char buffer[65536];
    for (;;) {
      const int count = ::recv(fd, buffer, sizeof buffer, 0);
      if (count == 0) response.peer_closed = true;
      if (count < 0) response.error = ErrnoFor(WSAGetLastError());
      if (count <= 0) break;
      response.bytes.append(buffer, static_cast<std::size_t>(count));
      if (response.bytes.size() >= max_bytes) break;
    }
  } else {
    response.error = ErrnoFor(WSAGetLastError());
  }
  ::closesocket(fd);
  WSACleanup();
  return response;
}

std::string_view ResponseBody(std::string_view response) {
  const std::size_t end = response.find("\r\n\r\n");
  return end == std::string_view::npos ? std::string_view() : response.substr(end + 4);
}

}  // namespace kasumido::test
