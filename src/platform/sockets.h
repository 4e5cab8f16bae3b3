// TCP sockets as the operating system offers them, reduced to what the socket transport
// needs: IPv4, non-blocking, one handle per connection. Every error is a number of the
// classic socket library of the host's platform (10035 would block, 10061 refused, ...),
// whatever the system underneath reports, so failure reasons read the same everywhere.
// A call never raises a signal and never blocks, except WaitForSockets and ReceiveWithin,
// which are made to wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kasumido {

// A socket as the system names it (a descriptor on Linux, a SOCKET on Windows).
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};

enum class SocketOption { kReuseAddress, kNoDelay, kKeepAlive };

// The error numbers the back ends map onto.
namespace socket_errors {
inline constexpr int kWouldBlock = 10035;
inline constexpr int kInProgress = 10036;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kTimedOut = 10060;
}  // namespace socket_errors

// A new non-blocking TCP socket, not inherited by child processes; kInvalidSocket with the
// reason in `error` when none can be made.
SocketHandle OpenTcpSocket(int& error);

// 0, or the error number.
int SetSocketOption(SocketHandle socket, SocketOption option, bool on);
int SetSocketLinger(SocketHandle socket, bool on, int seconds);
// `address` and `port` in host byte order.
int BindSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port);
// Starts connecting: 0 when connected at once, kInProgress while the connection is being
// made (the socket turns writable when it is done), or the error number.
int ConnectSocket(SocketHandle socket, std::uint32_t address, std::uint16_t port);
// The outcome of a connect that was in progress: 0 or the error number.
int PendingSocketError(SocketHandle socket);

// The bytes taken (at least 1), or -1 with the error (kWouldBlock when the system's buffer
// is full).
std::ptrdiff_t SendOnSocket(SocketHandle socket, const char* data, std::size_t size, int& error);
// The bytes read, 0 when the peer has closed, or -1 with the error (kWouldBlock when
// nothing is waiting).
std::ptrdiff_t ReceiveFromSocket(SocketHandle socket, char* buffer, std::size_t size, int& error);
// Like ReceiveFromSocket, but first waits up to `timeout_ms` (negative: no limit) for bytes,
// the end of the stream or an error; -1 with kTimedOut when none came. For the threads of
// tools and tests. A reset reaches the caller as kConnectionReset, never as an end (under
// Wine only when the receive is already waiting as the reset comes).
std::ptrdiff_t ReceiveWithin(SocketHandle socket, char* buffer, std::size_t size, int timeout_ms,
                             int& error);
// Like ReceiveFromSocket, but leaves the byte waiting.
std::ptrdiff_t PeekSocket(SocketHandle socket, int& error);
// How many received bytes are waiting to be read; 0 when that cannot be told.
std::size_t BytesWaiting(SocketHandle socket);

// Ends sending; the peer sees the end of the stream once the queued bytes are out.
void ShutdownSending(SocketHandle socket);
// Releases the handle. Call SetSocketLinger first: lingering off lets the system finish
// sending after the close returns; lingering on with 0 s resets the connection.
void CloseSocket(SocketHandle socket);

// A socket listening on `address`:`port` (host byte order; port 0: one the system
// chooses) with up to `backlog` connections waiting, non-blocking and not inherited like
// those of OpenTcpSocket; kInvalidSocket with the error. A port whose earlier connections
// still linger after their close can be taken again, a port that a live socket holds never.
SocketHandle ListenOnPort(std::uint32_t address, std::uint16_t port, int backlog, int& error);
// A connection waiting on a listening socket, non-blocking and not inherited; kInvalidSocket
// with the error (kWouldBlock when none is waiting).
SocketHandle AcceptOnSocket(SocketHandle listener, int& error);
// The port the socket is bound to (the one the system chose for port 0); none when unbound.
std::optional<std::uint16_t> LocalSocketPort(SocketHandle socket);

// One socket of a WaitForSockets, with the directions waited for.
struct SocketWait {
  SocketHandle socket = kInvalidSocket;
  bool receive = false;  // a receive or accept would not block
  bool send = false;     // a send would not block, or a connect in progress has ended
  bool ready = false;    // set by the wait: a wanted direction is ready, or the socket has
                         // failed or the peer hung up (a receive or a send tells which)
};
// Blocks until a socket of `waits` is ready or `timeout_ms` passes (negative: no limit): the
// number of ready sockets, 0 when the time ran out, or -1 with the error. For the threads of
// tools and tests, never on an event loop. REQUIRES: `waits` is not empty.
int WaitForSockets(std::span<SocketWait> waits, int timeout_ms, int& error);

enum class SocketDirection { kReceive, kSend };
// WaitForSockets on one socket in one direction: true when it is ready, false when the
// time ran out or the wait failed.
inline bool WaitForSocket(SocketHandle socket, SocketDirection direction, int timeout_ms) {
  SocketWait wait{socket, direction == SocketDirection::kReceive,
                  direction == SocketDirection::kSend};
  int error = 0;
  return WaitForSockets({&wait, 1}, timeout_ms, error) > 0;
}

// The port of a TCP service name from the system's services list ("http" is 80).
std::optional<std::uint16_t> ServicePort(const std::string& name);

// The error number for the platform's own error code (errno on Linux): ECONNREFUSED gives
// 10061. A code with no counterpart keeps its own number.
int SocketErrorFromSystem(int system_error);

}  // namespace kasumido
