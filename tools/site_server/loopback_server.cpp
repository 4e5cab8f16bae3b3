// The loopback server over the program's own socket layer, the same on every platform:
// non-blocking sockets, each receive or send after a wait that also watches the stop
// signal.
#include "site_server/loopback_server.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <system_error>

namespace kasumido::wire {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kLoopback = 0x7F000001;
// How long a graceful close waits for the peer to close its side before closing anyway.
constexpr int kLingerMs = 1000;
// How long making the stop signal's pair may take.
constexpr int kPairTimeoutMs = 5000;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// The socket layer's error numbers as error codes: "socket error 10048".
const std::error_category& SocketCategory() {
  static const struct : std::error_category {
    const char* name() const noexcept override { return "socket"; }
    std::string message(int error) const override {
      return "socket error " + std::to_string(error);
    }
  } category;
  return category;
}

[[noreturn]] void ThrowSocketError(int error, const char* what) {
  throw std::system_error(error, SocketCategory(), what);
}

// Connects `sender` to `receiver` over 127.0.0.1; the error, or 0.
int ConnectPair(SocketHandle& receiver, SocketHandle& sender) {
  int error = 0;
  const SocketHandle listener = ListenOnPort(kLoopback, 0, 1, error);
  if (listener == kInvalidSocket) return error;
  sender = OpenTcpSocket(error);
  if (sender != kInvalidSocket) {
    const int connecting = ConnectSocket(sender, kLoopback, LocalSocketPort(listener).value_or(0));
    error = connecting == socket_errors::kInProgress ? 0 : connecting;
  }
  if (error == 0 && !WaitForSocket(listener, SocketDirection::kReceive, kPairTimeoutMs)) {
    error = socket_errors::kTimedOut;
  }
  if (error == 0) receiver = AcceptOnSocket(listener, error);
  if (error == 0 && !WaitForSocket(sender, SocketDirection::kSend, kPairTimeoutMs)) {
    error = socket_errors::kTimedOut;
  }
  if (error == 0) error = PendingSocketError(sender);
  CloseSocket(listener);
  return error;
}

}  // namespace

bool Connection::WaitFor(SocketDirection direction, int timeout_ms) {
  SocketWait waits[2] = {
      {socket_, direction == SocketDirection::kReceive, direction == SocketDirection::kSend},
      {stop_, true, false}};
  int error = 0;
  if (WaitForSockets(waits, timeout_ms, error) <= 0 || waits[1].ready) return false;
  return waits[0].ready;
}

bool Connection::Stopping() const { return WaitForSocket(stop_, SocketDirection::kReceive, 0); }

RequestHead Connection::ReadRequestHead(Milliseconds timeout, std::size_t limit) {
  const Clock::time_point deadline = Clock::now() + timeout;
  std::string bytes;
  char buffer[4096];
  while (bytes.size() < limit && WaitFor(SocketDirection::kReceive, RemainingMs(deadline))) {
    const std::size_t room = std::min(sizeof buffer, limit - bytes.size());
    int error = 0;
    const std::ptrdiff_t count = ReceiveFromSocket(socket_, buffer, room, error);
    if (count < 0 && error == socket_errors::kWouldBlock) continue;
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
    if (HeadLength(bytes)) break;
  }
  return ParseRequestHead(std::move(bytes));
}

bool Connection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(SocketDirection::kSend, -1)) return false;
    int error = 0;
    const std::ptrdiff_t count = SendOnSocket(socket_, bytes.data(), bytes.size(), error);
    if (count < 0) {
      if (error == socket_errors::kWouldBlock) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

bool Connection::Pause(Milliseconds duration) {
  return !WaitForSocket(stop_, SocketDirection::kReceive, static_cast<int>(duration.count()));
}

void Connection::WaitForPeerClose() { DrainUntilPeerClose(-1); }

void Connection::DrainUntilPeerClose(int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + Milliseconds(timeout_ms);
  char buffer[4096];
  while (WaitFor(SocketDirection::kReceive, timeout_ms < 0 ? -1 : RemainingMs(deadline))) {
    int error = 0;
    const std::ptrdiff_t count = ReceiveFromSocket(socket_, buffer, sizeof buffer, error);
    if (count == 0 || (count < 0 && error != socket_errors::kWouldBlock)) return;
  }
}

void Connection::Reset() {
  SetSocketLinger(socket_, true, 0);
  reset_ = true;
}

void Connection::Close() {
  if (!reset_) {
    // Half-close, then let the peer read to the end and close its side first, so the
    // response is never cut off by a reset over unread request bytes.
    ShutdownSending(socket_);
    DrainUntilPeerClose(kLingerMs);
  }
  CloseSocket(socket_);
}

LoopbackServer::LoopbackServer(Handler handler, std::uint16_t port) : handler_(std::move(handler)) {
  int error = 0;
  listener_ = ListenOnPort(kLoopback, port, 64, error);
  if (listener_ == kInvalidSocket) ThrowSocketError(error, "bind 127.0.0.1");
  port_ = LocalSocketPort(listener_).value_or(0);
  error = ConnectPair(stop_receiver_, stop_sender_);
  if (error != 0) {
    for (const SocketHandle socket : {listener_, stop_receiver_, stop_sender_}) {
      if (socket != kInvalidSocket) CloseSocket(socket);
    }
    ThrowSocketError(error, "stop signal");
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Stop() {
  if (stopped_.exchange(true)) return;
  int error = 0;
  if (SendOnSocket(stop_sender_, "x", 1, error) != 1) {
    std::fprintf(stderr, "loopback server: stop signal: socket error %d\n", error);
  }
  acceptor_.join();
  {
    std::lock_guard lock(workers_mutex_);
    for (const std::unique_ptr<Worker>& worker : workers_) worker->thread.join();
    workers_.clear();
  }
  for (const SocketHandle socket : {listener_, stop_receiver_, stop_sender_}) CloseSocket(socket);
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    SocketWait waits[2] = {{listener_, true, false}, {stop_receiver_, true, false}};
    int error = 0;
    if (WaitForSockets(waits, -1, error) < 0 || waits[1].ready) return;
    const SocketHandle socket = AcceptOnSocket(listener_, error);
    if (socket == kInvalidSocket) continue;
    JoinFinishedWorkers();
    auto worker = std::make_unique<Worker>();
    Worker* raw = worker.get();
    const std::size_t index = accepted_++;
    std::lock_guard lock(workers_mutex_);
    workers_.push_back(std::move(worker));
    raw->thread = std::thread([this, raw, socket, index] {
      Connection connection(socket, stop_receiver_, index);
      try {
        handler_(connection);
      } catch (const std::exception& error) {
        std::fprintf(stderr, "loopback server: connection %zu: %s\n", index, error.what());
      }
      connection.Close();
      raw->done = true;
    });
  }
}

void LoopbackServer::JoinFinishedWorkers() {
  std::lock_guard lock(workers_mutex_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if ((*it)->done) {
      (*it)->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace kasumido::wire
