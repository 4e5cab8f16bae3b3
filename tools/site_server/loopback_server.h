// A TCP server on 127.0.0.1 for the project's tests and tools. It listens on a port of its
// own (0 = an ephemeral one), accepts on a thread of its own and runs the handler for each
// connection on a further thread, with blocking sockets. Every wait of a connection (read,
// send, pause, waiting for the peer to close) also watches the server's stop signal, so
// Stop() and the destructor never hang: they wake every wait, then join every thread.
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

#include "site_server/http_wire.h"

namespace kasumido::wire {

using Milliseconds = std::chrono::milliseconds;

// One accepted connection, as its handler sees it. The socket is closed after the handler
// returns (gracefully, unless Reset() was called).
class Connection {
 public:
  Connection(int fd, int stop_fd, std::size_t index) : fd_(fd), stop_fd_(stop_fd), index_(index) {}
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
  // Waits for `events` on the socket; false on stop or time-out (negative = none).
  bool WaitFor(short events, int timeout_ms);

  int fd_;
  int stop_fd_;
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
  int listen_fd_ = -1;
  int stop_fd_ = -1;
  std::uint16_t port_ = 0;
  std::size_t accepted_ = 0;
  std::mutex workers_mutex_;
  std::list<std::unique_ptr<Worker>> workers_;
  std::thread acceptor_;
  std::atomic<bool> stopped_{false};
};

}  // namespace kasumido::wire
