// A TCP peer on 127.0.0.1 for transport tests. It listens on a free port at once and
// serves one connection on a thread of its own with the test's script. Every step that
// waits is bounded by a time-out, so a failing test cannot hang.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/sockets.h"

namespace kasumido::test {

class LoopbackPeer {
 public:
  // `serve` runs on the peer's thread with the accepted connection (to be read and
  // written with the functions below, which wait up to 5 s for each step); the connection
  // is closed when it returns.
  explicit LoopbackPeer(std::function<void(SocketHandle socket)> serve);
  // Joins the thread (an accept with no client gives up after 5 s).
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  std::string Port() const { return std::to_string(port_); }
  // Waits for `serve` to return; every blocking step of the peer is bounded by its
  // time-outs, so this cannot hang.
  void Join();

  // Reads until the end of the stream, an error or the time-out. `reset`, when given,
  // tells whether the stream ended with a reset rather than a clean end.
  static std::string ReadAll(SocketHandle socket, bool* reset = nullptr);
  // What has come by the first moment anything has (empty after the time-out or the end).
  static std::string ReadSome(SocketHandle socket);
  static bool WriteAll(SocketHandle socket, std::string_view bytes);

 private:
  SocketHandle listener_ = kInvalidSocket;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens, for refused connections.
std::string UnusedLoopbackPort();

// `size` bytes of a pattern that shows where a byte went missing or was doubled.
std::string PatternBytes(std::size_t size);

}  // namespace kasumido::test
