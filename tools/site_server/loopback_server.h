// A TCP server on 127.0.0.1 for the project's tests and tools. It listens on a port of its
// own (0 = an ephemeral one), accepts on a thread of its own and runs the handler for each
// connection on a further thread, each thread waiting on its sockets. Every wait of a
// connection (read, send, pause, waiting for the peer to close) also watches the server's
// stop signal, so Stop() and the destructor never hang: they wake every wait, then join
// every thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/sockets.h"
#include "site_server/http_wire.h"

namespace kasumido::wire {

using Milliseconds = std::chrono::milliseconds;

// One accepted connection, as its handler sees it. The socket is closed after the handler
// returns (gracefully, unless Reset() was called).
class Connection {
 public:
  Connection(SocketHandle socket, SocketHandle stop, std::size_t index)
      : socket_(socket), stop_(stop), index_(index) {}
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // 0 for the first connection the server accepted, then 1, 2, ...
  std::size_t Index() const { return index_; }

  // Reads until the request head is complete, the peer closes, `limit` bytes have come,
  // `timeout` passes or the server stops. The head holds whatever arrived.
  RequestHead ReadRequestHead(Milliseconds timeout, std::size_t limit = 1 << 20);
  // Sends all of `bytes`. False when the peer is gone or the server stops.
  bool Send(std::string_view bytes);
  // Sleeps for `duration`. False when the server stopped meanwhile.
  bool Pause(Milliseconds duration);
  // Waits until the peer closes the connection (whatever it sends is read and dropped)
  // or the server stops.
  void WaitForPeerClose();
  // Closes the connection at once with a reset instead of a graceful close.
  void Reset();
  // True once the server has been asked to stop.
  bool Stopping() const;

 private:
  friend class LoopbackServer;
  // Waits until the socket is ready in `direction`; false on stop or time-out (negative =
  // none).
  bool WaitFor(SocketDirection direction, int timeout_ms);
  // Reads and drops what the peer sends until it closes, the server stops or `timeout_ms`
  // passes (negative = none).
  void DrainUntilPeerClose(int timeout_ms);
  // Closes the socket: at once after Reset(), else half-closed first, the peer given up
  // to a second to read to the end and close its side.
  void Close();

  SocketHandle socket_;
  SocketHandle stop_;
  std::size_t index_;
  bool reset_ = false;
};

class LoopbackServer {
 public:
  using Handler = std::function<void(Connection&)>;

  // Listens on 127.0.0.1:`port` and starts accepting. REQUIRES: `handler` is safe to call
  // from several threads at once. Throws std::system_error when the port cannot be had.
  explicit LoopbackServer(Handler handler, std::uint16_t port = 0);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // Stops accepting, wakes every connection's wait and joins all threads. Idempotent.
  void Stop();

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void JoinFinishedWorkers();

  Handler handler_;
  SocketHandle listener_ = kInvalidSocket;
  // A connected pair on 127.0.0.1: Stop() sends one byte that is never read, so the
  // receiving end stays readable and wakes every wait at once.
  SocketHandle stop_receiver_ = kInvalidSocket;
  SocketHandle stop_sender_ = kInvalidSocket;
  std::uint16_t port_ = 0;
  std::size_t accepted_ = 0;
  std::mutex workers_mutex_;
  std::list<std::unique_ptr<Worker>> workers_;
  std::thread acceptor_;
  std::atomic<bool> stopped_{false};
};

}  // namespace kasumido::wire
