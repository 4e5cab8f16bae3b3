// The seam between THttpClient and the network: the bytes of one connection, plain TCP
// or TLS over it (through a proxy's CONNECT tunnel or not). The client reads and writes
// a ByteStream and never knows which it has; MakeByteStream chooses one per request.
//
// Contract of every stream:
// - Events come only from the event loop, never from inside a call of the stream's
//   user: Open, Read, Write, Close and Abort raise nothing. They follow the lifetime
//   rule of http/event_gate.h: a stream is never destroyed inside its own event.
// - Open resolves the host, connects and, for TLS, tunnels and shakes hands:
//   OnResolved (the address is known, the connection is being made), then OnOpened
//   (the stream carries the user's bytes), or OnEnded with the failure instead.
// - OnReadable: bytes are waiting. The handler reads them with Read until it answers
//   0; a handler that stops earlier is told again from the loop.
// - OnEnded comes once, after every byte before the end has been read: the peer closed
//   (a clean end: error 0, no reason) or the stream failed (a reason in plain words).
// - Close (graceful) and Abort (reset) end the stream at once without any event; both
//   are safe at any time and more than once.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "http/event_gate.h"
#include "http/request_target.h"
#include "platform/event_loop.h"
#include "platform/tls.h"

namespace kasumido {

// Where a stream's connection goes: the host (a name or a dotted address) and port that
// the TCP connection is made to, and the local address it is made from ("0.0.0.0":
// any).
struct StreamEndpoint {
  std::string Host;
  std::string Port;
  std::string LocalAddr = "0.0.0.0";
};

// How a stream ended. `error` is 0 or a socket error number (http/socket_error.h);
// `reason` is empty for a clean end, else the failure in plain words. A proxy that
// refused a tunnel gives its own reply's status (0 otherwise).
struct StreamEnd {
  int error = 0;
  std::string reason;
  int status = 0;
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Starts opening the stream. REQUIRES: called once.
  virtual void Open(const StreamEndpoint& endpoint) = 0;
  // Reads at most `size` bytes into `buffer`: the count, 0 when none is waiting now
  // (and after the end). REQUIRES: opened.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // Sends `bytes` (queued as needed). False when the stream cannot take them; its end
  // then follows as OnEnded. REQUIRES: opened.
  virtual bool Write(std::string_view bytes) = 0;
  virtual void Close() = 0;
  virtual void Abort() = 0;
  // The TLS session's facts once the handshake has ended; null on a plain stream.
  virtual const TlsSessionInfo* Security() const { return nullptr; }
  // True while one of the stream's events runs: its destruction must wait.
  bool Raising() const { return gate_.Raising(); }

  std::function<void()> OnResolved;
  std::function<void()> OnOpened;
  std::function<void()> OnReadable;
  std::function<void(const StreamEnd& end)> OnEnded;

 protected:
  // `name` names the stream in the message of a broken lifetime rule.
  explicit ByteStream(const char* name) : gate_(name) {}

  // Ends the stream's course: events already posted for it are dropped, and OnEnded
  // comes from `queue`, never inside the call that ended the stream.
  void PostEnd(CallQueue& queue, StreamEnd end) {
    gate_.Move();
    queue.Post(gate_.Bind([this, end = std::move(end)] { gate_.Raise(OnEnded, end); }));
  }

  EventGate gate_;
};

// The stream for `target`: plain TCP, TLS over it, or TLS through the proxy's CONNECT
// tunnel (opened with `tunnel_request`, the request's bytes), as the target asks. It is
// opened to target.ConnectHost and ConnectPort.
std::unique_ptr<ByteStream> MakeByteStream(EventLoop& loop, const RequestTarget& target,
                                           const std::string& tunnel_request);

}  // namespace kasumido
