// The loopback server on Windows: Winsock with blocking sockets, WSAPoll for every wait.
// The stop signal is a connected pair of loopback sockets: Stop() sends one byte that is
// never read, so the reading end stays readable and wakes every wait at once, as an
// eventfd does on Linux.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <system_error>

#include "site_server/loopback_server.h"

namespace kasumido::wire {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLingerMs = 1000;

SOCKET Native(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }
int Fd(SOCKET socket) { return static_cast<int>(socket); }

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(WSAGetLastError(), std::system_category(), what);
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

void StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::system_error(WSASYSNOTREADY, std::system_category(), "WSAStartup");
}

// A listening socket on 127.0.0.1:`port`; its port in `bound`.
SOCKET Listen(std::uint16_t port, int backlog, std::uint16_t& bound) {
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) ThrowLastError("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  // No SO_REUSEADDR: on Windows it lets a second socket take a port in use.
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, backlog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const int error = WSAGetLastError();
    ::closesocket(listener);
    throw std::system_error(error, std::system_category(), "bind 127.0.0.1");
  }
  bound = ntohs(address.sin_port);
  return listener;
}

// The reading end of the stop pair in `read_end`, the sending end in `send_end`.
void MakeStopPair(SOCKET& read_end, SOCKET& send_end) {
  std::uint16_t port = 0;
  const SOCKET listener = Listen(0, 1, port);
  send_end = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (send_end == INVALID_SOCKET ||
      ::connect(send_end, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::closesocket(listener);
    ThrowLastError("stop signal");
  }
  read_end = ::accept(listener, nullptr, nullptr);
  ::closesocket(listener);
  if (read_end == INVALID_SOCKET) ThrowLastError("stop signal");
}

// The sending end of each server's stop pair, by the reading end's descriptor.
std::mutex g_stop_senders_mutex;
std::map<int, SOCKET>& StopSenders() {
  static std::map<int, SOCKET> senders;
  return senders;
}

}  // namespace

bool Connection::WaitFor(short events, int timeout_ms) {
  WSAPOLLFD fds[2] = {{Native(fd_), events, 0}, {Native(stop_fd_), POLLRDNORM, 0}};
  const int ready = ::WSAPoll(fds, 2, timeout_ms);
  if (ready <= 0 || fds[1].revents != 0) return false;
  return fds[0].revents != 0;
}

bool Connection::Stopping() const {
  WSAPOLLFD stop = {Native(stop_fd_), POLLRDNORM, 0};
  return ::WSAPoll(&stop, 1, 0) > 0;
}

RequestHead Connection::ReadRequestHead(Milliseconds timeout, std::size_t limit) {
  const Clock::time_point deadline = Clock::now() + timeout;
  std::string bytes;
  char buffer[4096];
  while (bytes.size() < limit && WaitFor(POLLRDNORM, RemainingMs(deadline))) {
    const int room = static_cast<int>(std::min(sizeof buffer, limit - bytes.size()));
    const int count = ::recv(Native(fd_), buffer, room, 0);
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
    if (HeadLength(bytes)) break;
  }
  return ParseRequestHead(std::move(bytes));
}

bool Connection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(POLLWRNORM, -1)) return false;
    const int want = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int count = ::send(Native(fd_), bytes.data(), want, 0);
    if (count < 0) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

bool Connection::Pause(Milliseconds duration) {
  WSAPOLLFD stop = {Native(stop_fd_), POLLRDNORM, 0};
  return ::WSAPoll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

void Connection::WaitForPeerClose() {
  char buffer[4096];
  while (WaitFor(POLLRDNORM, -1)) {
    if (::recv(Native(fd_), buffer, sizeof buffer, 0) <= 0) return;
  }
}

void Connection::Reset() {
  linger abortive{};
  abortive.l_onoff = 1;
  abortive.l_linger = 0;
  ::setsockopt(Native(fd_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
  reset_ = true;
}

LoopbackServer::LoopbackServer(Handler handler, std::uint16_t port) : handler_(std::move(handler)) {
  StartWinsock();
  listen_fd_ = Fd(Listen(port, 64, port_));
  SOCKET read_end = INVALID_SOCKET;
  SOCKET send_end = INVALID_SOCKET;
  try {
    MakeStopPair(read_end, send_end);
  } catch (...) {
    ::closesocket(Native(listen_fd_));
    throw;
  }
  stop_fd_ = Fd(read_end);
  {
    std::lock_guard lock(g_stop_senders_mutex);
    StopSenders()[stop_fd_] = send_end;
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Stop() {
  if (stopped_.exchange(true)) return;
  SOCKET send_end = INVALID_SOCKET;
  {
    std::lock_guard lock(g_stop_senders_mutex);
    send_end = StopSenders()[stop_fd_];
    StopSenders().erase(stop_fd_);
  }
  if (::send(send_end, "x", 1, 0) != 1) std::perror("loopback server: stop signal");
  acceptor_.join();
  {
    std::lock_guard lock(workers_mutex_);
    for (const std::unique_ptr<Worker>& worker : workers_) worker->thread.join();
    workers_.clear();
  }
  ::closesocket(Native(listen_fd_));
  ::closesocket(Native(stop_fd_));
  ::closesocket(send_end);
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    WSAPOLLFD fds[2] = {{Native(listen_fd_), POLLRDNORM, 0}, {Native(stop_fd_), POLLRDNORM, 0}};
    const int ready = ::WSAPoll(fds, 2, -1);
    if (ready < 0 || fds[1].revents != 0) return;
    const SOCKET accepted = ::accept(Native(listen_fd_), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) continue;
    const int fd = Fd(accepted);
    JoinFinishedWorkers();
    auto worker = std::make_unique<Worker>();
    Worker* raw = worker.get();
    const std::size_t index = accepted_++;
    std::lock_guard lock(workers_mutex_);
    workers_.push_back(std::move(worker));
    raw->thread = std::thread([this, raw, fd, index] {
      Connection connection(fd, stop_fd_, index);
      try {
        handler_(connection);
      } catch (const std::exception& error) {
        std::fprintf(stderr, "loopback server: connection %zu: %s\n", index, error.what());
      }
      if (!connection.reset_) {
        // Half-close, then let the peer read to the end and close its side first.
        ::shutdown(Native(fd), SD_SEND);
        const Clock::time_point deadline = Clock::now() + Milliseconds(kLingerMs);
        char buffer[4096];
        while (connection.WaitFor(POLLRDNORM, RemainingMs(deadline))) {
          if (::recv(Native(fd), buffer, sizeof buffer, 0) <= 0) break;
        }
      }
      ::closesocket(Native(fd));
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
