// Sockets on Linux: POSIX non-blocking sockets; errno values mapped onto the socket
// library numbers the program reports.
#include "platform/sockets.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace kasumido {
namespace {

constexpr std::pair<int, int> kFromErrno[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EAGAIN, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // Sending on a connection that the peer has reset: the connection is gone.
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

int LastError() { return SocketErrorFromSystem(errno); }

int SetInt(SocketHandle socket, int level, int name, int value) {
  return setsockopt(Fd(socket), level, name, &value, sizeof value) == 0 ? 0 : LastError();
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = htonl(address);
  result.sin_port = htons(port);
  return result;
}

// Sets each wait's `ready` from the poll's answers: the number of ready sockets. A
// handle that is no socket (POLLNVAL) is never ready.
int MarkReady(std::span<SocketWait> waits, const std::vector<pollfd>& fds) {
  int ready = 0;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    waits[i].ready = (fds[i].revents & (fds[i].events | POLLHUP | POLLERR)) != 0;
    ready += waits[i].ready ? 1 : 0;
  }
  return ready;
}

}  // namespace

int SocketErrorFromSystem(int system_error) {
  if (system_error == EWOULDBLOCK) return socket_errors::kWouldBlock;
  for (const auto& [from, to] : kFromErrno) {
    if (from == system_error) return to;
  }
  return system_error;
}

SocketHandle OpenTcpSocket(int& error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd >= 0) return static_cast<SocketHandle>(fd);
  error = LastError();
  return kInvalidSocket;
}

int SetSocketOption(SocketHandle socket, SocketOption option, bool on) {
  switch (option) {
    case SocketOption::kReuseAddress:
      return SetInt(socket, SOL_SOCKET, SO_REUSEADDR, on);
    case SocketOption::kNoDelay:
      return SetInt(socket, IPPROTO_TCP, TCP_NODELAY, on);
    case SocketOption::kKeepAlive:
      return SetInt(socket, SOL_SOCKET, SO_KEEPALIVE, on);
  }
  return socket_errors::kInvalidArgument;
}

int SetSocketLinger(SocketHandle socket, bool on, int seconds) {
  const linger value{on ? 1 : 0, std::max(0, seconds)};
  return setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0 ? 0 : LastError();
}

int BindSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in local = Address(address, port);
  return bind(Fd(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0
             ? 0
             : LastError();
}

int ConnectSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in peer = Address(address, port);
  if (connect(Fd(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return 0;
  // Interrupted, the connect goes on in the background like one in progress.
  if (errno == EINPROGRESS || errno == EINTR) return socket_errors::kInProgress;
  return LastError();
}

int PendingSocketError(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  return error == 0 ? 0 : SocketErrorFromSystem(error);
}

std::ptrdiff_t SendOnSocket(SocketHandle socket, const char* data, std::size_t size, int& error) {
  for (;;) {
    const ssize_t sent = send(Fd(socket), data, size, MSG_NOSIGNAL);
    if (sent >= 0) return sent;
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

std::ptrdiff_t ReceiveFromSocket(SocketHandle socket, char* buffer, std::size_t size, int& error) {
  for (;;) {
    const ssize_t count = recv(Fd(socket), buffer, size, 0);
    if (count >= 0) return count;
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

std::ptrdiff_t ReceiveWithin(SocketHandle socket, char* buffer, std::size_t size, int timeout_ms,
                             int& error) {
  for (;;) {
    if (!WaitForSocket(socket, SocketDirection::kReceive, timeout_ms)) {
      error = socket_errors::kTimedOut;
      return -1;
    }
    const std::ptrdiff_t count = ReceiveFromSocket(socket, buffer, size, error);
    if (count >= 0 || error != socket_errors::kWouldBlock) return count;
  }
}

std::ptrdiff_t PeekSocket(SocketHandle socket, int& error) {
  char probe = 0;
  for (;;) {
    const ssize_t count = recv(Fd(socket), &probe, 1, MSG_PEEK);
    if (count >= 0) return count;
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

std::size_t BytesWaiting(SocketHandle socket) {
  int waiting = 0;
  if (ioctl(Fd(socket), FIONREAD, &waiting) != 0 || waiting < 0) return 0;
  return static_cast<std::size_t>(waiting);
}

void ShutdownSending(SocketHandle socket) { shutdown(Fd(socket), SHUT_WR); }

void CloseSocket(SocketHandle socket) { close(Fd(socket)); }

SocketHandle ListenOnPort(std::uint32_t address, std::uint16_t port, int backlog, int& error) {
  const SocketHandle socket = OpenTcpSocket(error);
  if (socket == kInvalidSocket) return socket;
  // Linux refuses a port whose closed connections still linger unless told otherwise; a
  // port in use stays refused all the same.
  error = SetInt(socket, SOL_SOCKET, SO_REUSEADDR, 1);
  if (error == 0) error = BindSocket(socket, address, port);
  if (error == 0 && listen(Fd(socket), backlog) != 0) error = LastError();
  if (error == 0) return socket;
  close(Fd(socket));
  return kInvalidSocket;
}

SocketHandle AcceptOnSocket(SocketHandle listener, int& error) {
  for (;;) {
    const int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) return static_cast<SocketHandle>(fd);
    if (errno == EINTR) continue;
    error = LastError();
    return kInvalidSocket;
  }
}

std::optional<std::uint16_t> LocalSocketPort(SocketHandle socket) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return std::nullopt;
  }
  return ntohs(local.sin_port);
}

int WaitForSockets(std::span<SocketWait> waits, int timeout_ms, int& error) {
  std::vector<pollfd> fds;
  for (const SocketWait& wait : waits) {
    const short events =
        static_cast<short>((wait.receive ? POLLIN : 0) | (wait.send ? POLLOUT : 0));
    fds.push_back(pollfd{Fd(wait.socket), events, 0});
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int ready = 0;
  // A signal ends poll early: it waits again for the time that is left.
  while ((ready = poll(fds.data(), fds.size(), timeout_ms)) < 0 && errno == EINTR) {
    if (timeout_ms < 0) continue;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    timeout_ms = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
  }
  if (ready < 0) {
    error = LastError();
    return -1;
  }
  return MarkReady(waits, fds);
}

std::optional<std::uint16_t> ServicePort(const std::string& name) {
  if (const servent* service = getservbyname(name.c_str(), "tcp")) {
    return ntohs(static_cast<std::uint16_t>(service->s_port));
  }
  return std::nullopt;
}

}  // namespace kasumido
