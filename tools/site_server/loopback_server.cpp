#include "site_server/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>

namespace kasumido::wire {
namespace {

using Clock = std::chrono::steady_clock;

// How long a graceful close waits for the peer to close its side before closing anyway.
constexpr int kLingerMs = 1000;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

bool Connection::WaitFor(short events, int timeout_ms) {
  pollfd fds[2] = {{fd_, events, 0}, {stop_fd_, POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 2, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || fds[1].revents != 0) return false;
    return fds[0].revents != 0;
  }
}

bool Connection::Stopping() const {
  pollfd stop = {stop_fd_, POLLIN, 0};
  return ::poll(&stop, 1, 0) > 0;
}

RequestHead Connection::ReadRequestHead(Milliseconds timeout, std::size_t limit) {
  const Clock::time_point deadline = Clock::now() + timeout;
  std::string bytes;
  char buffer[4096];
  while (bytes.size() < limit && WaitFor(POLLIN, RemainingMs(deadline))) {
    const std::size_t room = std::min(sizeof buffer, limit - bytes.size());
    const ssize_t count = ::recv(fd_, buffer, room, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
    if (HeadLength(bytes)) break;
  }
  return ParseRequestHead(std::move(bytes));
}

bool Connection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(POLLOUT, -1)) return false;
    const ssize_t count = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

bool Connection::Pause(Milliseconds duration) {
  pollfd stop = {stop_fd_, POLLIN, 0};
  const Clock::time_point deadline = Clock::now() + duration;
  for (;;) {
    const int ready = ::poll(&stop, 1, RemainingMs(deadline));
    if (ready > 0) return false;
    if (ready == 0 || errno != EINTR) return true;
  }
}

void Connection::WaitForPeerClose() {
  char buffer[4096];
  while (WaitFor(POLLIN, -1)) {
    const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
    if (count == 0 || (count < 0 && errno != EINTR)) return;
  }
}

void Connection::Reset() {
  const linger abortive = {1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  reset_ = true;
}

LoopbackServer::LoopbackServer(Handler handler, std::uint16_t port) : handler_(std::move(handler)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) ThrowErrno("socket");
  const int on = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const int error = errno;
    ::close(listen_fd_);
    errno = error;
    ThrowErrno("bind 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  stop_fd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stop_fd_ < 0) {
    ::close(listen_fd_);
    ThrowErrno("eventfd");
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Stop() {
  if (stopped_.exchange(true)) return;
  const std::uint64_t one = 1;
  if (::write(stop_fd_, &one, sizeof one) < 0) std::perror("loopback server: stop signal");
  acceptor_.join();
  {
    std::lock_guard lock(workers_mutex_);
    for (const std::unique_ptr<Worker>& worker : workers_) worker->thread.join();
    workers_.clear();
  }
  ::close(listen_fd_);
  ::close(stop_fd_);
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents != 0) return;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
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
        // Half-close, then let the peer read to the end and close its side first, so
        // the response is never cut off by a reset over unread request bytes.
        ::shutdown(fd, SHUT_WR);
        const Clock::time_point deadline = Clock::now() + Milliseconds(kLingerMs);
        char buffer[4096];
        while (connection.WaitFor(POLLIN, RemainingMs(deadline))) {
          const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
          if (count == 0 || (count < 0 && errno != EINTR)) break;
        }
      }
      ::close(fd);
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
