// Sockets on Windows: Winsock itself, so every error already is the number the program
// reports. Sockets are non-blocking and not inherited by child processes.
#include "platform/sockets.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <vector>

#include "platform/win32/winsock.h"

namespace kasumido {
namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

int LastError() { return WSAGetLastError(); }

int SetInt(SocketHandle socket, int level, int name, int value) {
  const BOOL flag = value != 0;
  return setsockopt(Native(socket), level, name, reinterpret_cast<const char*>(&flag),
                    sizeof flag) == 0
             ? 0
             : LastError();
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = htonl(address);
  result.sin_port = htons(port);
  return result;
}

// `socket` made non-blocking and not inherited; kInvalidSocket with the error when it is
// invalid or cannot be made so (then it is closed).
SocketHandle NonBlocking(SOCKET socket, int& error) {
  if (socket == INVALID_SOCKET) {
    error = LastError();
    return kInvalidSocket;
  }
  u_long non_blocking = 1;
  if (ioctlsocket(socket, FIONBIO, &non_blocking) != 0) {
    error = LastError();
    closesocket(socket);
    return kInvalidSocket;
  }
  SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  return static_cast<SocketHandle>(socket);
}

// Sets each wait's `ready` from the poll's answers: the number of ready sockets. A
// handle that is no socket (POLLNVAL) is never ready.
int MarkReady(std::span<SocketWait> waits, const std::vector<WSAPOLLFD>& fds) {
  int ready = 0;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    waits[i].ready = (fds[i].revents & (fds[i].events | POLLHUP | POLLERR)) != 0;
    ready += waits[i].ready ? 1 : 0;
  }
  return ready;
}

}  // namespace

int EnsureWinsock() {
  static const int result = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return result;
}

int SocketErrorFromSystem(int system_error) { return system_error; }

SocketHandle OpenTcpSocket(int& error) {
  if (const int started = EnsureWinsock(); started != 0) {
    error = started;
    return kInvalidSocket;
  }
  return NonBlocking(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), error);
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
  linger value{};
  value.l_onoff = on ? 1 : 0;
  value.l_linger = static_cast<u_short>(std::clamp(seconds, 0, 0xFFFF));
  return setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value),
                    sizeof value) == 0
             ? 0
             : LastError();
}

int BindSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in local = Address(address, port);
  return bind(Native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0
             ? 0
             : LastError();
}

int ConnectSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in peer = Address(address, port);
  if (connect(Native(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
    return 0;
  }
  // A non-blocking connect reports "would block" while it goes on in the background.
  const int error = LastError();
  if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) return socket_errors::kInProgress;
  return error;
}

int PendingSocketError(SocketHandle socket) {
  int error = 0;
  int length = sizeof error;
  if (getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) !=
      0) {
    error = LastError();
  }
  return error;
}

std::ptrdiff_t SendOnSocket(SocketHandle socket, const char* data, std::size_t size, int& error) {
  const int want = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
  const int sent = send(Native(socket), data, want, 0);
  if (sent >= 0) return sent;
  error = LastError();
  return -1;
}

std::ptrdiff_t ReceiveFromSocket(SocketHandle socket, char* buffer, std::size_t size, int& error) {
  const int want = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
  const int count = recv(Native(socket), buffer, want, 0);
  if (count >= 0) return count;
  error = LastError();
  return -1;
}

std::ptrdiff_t ReceiveWithin(SocketHandle socket, char* buffer, std::size_t size, int timeout_ms,
                             int& error) {
  // A receive that waits in the system: Wine tells a reset only to a receive that is
  // waiting when it comes, and reports an ordinary end to one made after a wait.
  const DWORD limit = timeout_ms < 0 ? 0 : static_cast<DWORD>(std::max(timeout_ms, 1));
  u_long non_blocking = 0;
  ioctlsocket(Native(socket), FIONBIO, &non_blocking);
  setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
             sizeof limit);
  // A time-out is WSAETIMEDOUT, which is kTimedOut.
  const std::ptrdiff_t count = ReceiveFromSocket(socket, buffer, size, error);
  non_blocking = 1;
  ioctlsocket(Native(socket), FIONBIO, &non_blocking);
  return count;
}

std::ptrdiff_t PeekSocket(SocketHandle socket, int& error) {
  char probe = 0;
  const int count = recv(Native(socket), &probe, 1, MSG_PEEK);
  if (count >= 0) return count;
  error = LastError();
  return -1;
}

std::size_t BytesWaiting(SocketHandle socket) {
  u_long waiting = 0;
  if (ioctlsocket(Native(socket), FIONREAD, &waiting) != 0) return 0;
  return static_cast<std::size_t>(waiting);
}

void ShutdownSending(SocketHandle socket) { shutdown(Native(socket), SD_SEND); }

void CloseSocket(SocketHandle socket) { closesocket(Native(socket)); }

SocketHandle ListenOnPort(std::uint32_t address, std::uint16_t port, int backlog, int& error) {
  const SocketHandle socket = OpenTcpSocket(error);
  if (socket == kInvalidSocket) return socket;
  // Windows takes a port whose closed connections still linger anyway; SO_REUSEADDR here
  // would let this socket share a port that a live one holds, so it is left off.
  error = BindSocket(socket, address, port);
  if (error == 0 && listen(Native(socket), backlog) != 0) error = LastError();
  if (error == 0) return socket;
  closesocket(Native(socket));
  return kInvalidSocket;
}

SocketHandle AcceptOnSocket(SocketHandle listener, int& error) {
  return NonBlocking(accept(Native(listener), nullptr, nullptr), error);
}

std::optional<std::uint16_t> LocalSocketPort(SocketHandle socket) {
  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(Native(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return std::nullopt;
  }
  return ntohs(local.sin_port);
}

int WaitForSockets(std::span<SocketWait> waits, int timeout_ms, int& error) {
  std::vector<WSAPOLLFD> fds;
  for (const SocketWait& wait : waits) {
    const short events =
        static_cast<short>((wait.receive ? POLLRDNORM : 0) | (wait.send ? POLLWRNORM : 0));
    fds.push_back(WSAPOLLFD{Native(wait.socket), events, 0});
  }
  const int ready = WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeout_ms);
  if (ready < 0) {
    error = LastError();
    return -1;
  }
  return MarkReady(waits, fds);
}

std::optional<std::uint16_t> ServicePort(const std::string& name) {
  if (EnsureWinsock() != 0) return std::nullopt;
  if (const servent* service = getservbyname(name.c_str(), "tcp")) {
    return ntohs(static_cast<u_short>(service->s_port));
  }
  return std::nullopt;
}

}  // namespace kasumido
