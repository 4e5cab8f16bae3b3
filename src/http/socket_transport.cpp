#include "http/socket_transport.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <stdexcept>

#include "http/dotted_address.h"

namespace kasumido {

// One frame of a running handler. The destructor of the transport marks every frame
// dead, so code that called a handler can tell that it must not touch the object again.
class TSocketTransport::Life {
 public:
  explicit Life(TSocketTransport& owner) : top_(owner.life_), outer_(owner.life_) { top_ = this; }
  ~Life() {
    if (alive_) top_ = outer_;
  }
  Life(const Life&) = delete;
  Life& operator=(const Life&) = delete;

  bool Alive() const { return alive_; }
  void MarkDead() { alive_ = false; }
  Life* Outer() const { return outer_; }

 private:
  Life*& top_;
  Life* outer_;
  bool alive_ = true;
};

namespace {

bool IsClosingSendError(int error) {
  using namespace socket_error;
  return error == kInvalidArgument || error == kNotSocket || error == kConnectionAborted ||
         error == kConnectionReset || error == kNotConnected;
}

// Errors that end the connection attempt itself; they are reported as its outcome
// (OnSessionConnected) rather than as a failure to start it.
bool IsConnectOutcome(int errno_value) {
  return errno_value == ECONNREFUSED || errno_value == ETIMEDOUT || errno_value == ENETUNREACH ||
         errno_value == EHOSTUNREACH || errno_value == ECONNRESET;
}

std::string Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank);
  return std::string(begin, end.base());
}

std::optional<std::uint16_t> ResolvePort(const std::string& port) {
  unsigned value = 0;
  const char* end = port.data() + port.size();
  const auto [stop, error] = std::from_chars(port.data(), end, value);
  if (error == std::errc() && stop == end) {
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
  }
  if (const servent* service = getservbyname(port.c_str(), "tcp")) {
    return ntohs(static_cast<std::uint16_t>(service->s_port));
  }
  return std::nullopt;
}

bool IsTcp(const std::string& proto) {
  std::string lower = proto;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "tcp" || lower == "6";
}

bool SetInt(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

void SetLinger(int fd, bool on, int seconds) {
  const linger value{on ? 1 : 0, std::max(0, seconds)};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
}

}  // namespace

const char* ToString(TSocketState state) {
  switch (state) {
    case TSocketState::ssInvalidState:
      return "ssInvalidState";
    case TSocketState::ssOpened:
      return "ssOpened";
    case TSocketState::ssBound:
      return "ssBound";
    case TSocketState::ssConnecting:
      return "ssConnecting";
    case TSocketState::ssConnected:
      return "ssConnected";
    case TSocketState::ssAccepting:
      return "ssAccepting";
    case TSocketState::ssListening:
      return "ssListening";
    case TSocketState::ssClosed:
      return "ssClosed";
  }
  return "?";
}

TSocketTransport::TSocketTransport(EventLoop& loop) : loop_(loop), deferred_(loop) {}

TSocketTransport::~TSocketTransport() {
  for (Life* frame = life_; frame != nullptr; frame = frame->Outer()) frame->MarkDead();
  lookup_.reset();
  if (fd_ >= 0) ReleaseSocket(CloseMode::kGraceful);
}

// ---- Events and errors ----------------------------------------------------------------

template <typename Event, typename... Args>
bool TSocketTransport::Notify(const Event& event, const Args&... args) {
  if (!event) return true;
  const Event handler = event;  // the handler may replace itself or destroy this object
  Life life(*this);
  try {
    handler(args...);
    return life.Alive();
  } catch (const std::exception& error) {
    if (!life.Alive()) {
      loop_.ReportException(error);
      return false;
    }
    return HandleBackgroundException(error);
  } catch (...) {
    const std::runtime_error error("unknown exception");
    if (!life.Alive()) {
      loop_.ReportException(error);
      return false;
    }
    return HandleBackgroundException(error);
  }
}

bool TSocketTransport::HandleBackgroundException(const std::exception& error) {
  bool can_close = true;
  if (OnBgException) {
    const auto handler = OnBgException;
    Life life(*this);
    try {
      handler(error, can_close);
    } catch (const std::exception& again) {
      loop_.ReportException(again);
    } catch (...) {
      loop_.ReportException(std::runtime_error("unknown exception"));
    }
    if (!life.Alive()) return false;
  }
  if (!can_close) return true;
  Life life(*this);
  Abort();
  return life.Alive();
}

// Work that the loop starts (readiness, lookups, queued calls). Anything that escapes it,
// such as a socket error raised while no OnError handler is set, is a background
// exception too.
void TSocketTransport::RunFromLoop(void (TSocketTransport::*step)()) {
  Life life(*this);
  try {
    (this->*step)();
  } catch (const std::exception& error) {
    if (life.Alive()) {
      HandleBackgroundException(error);
    } else {
      loop_.ReportException(error);
    }
  } catch (...) {
    const std::runtime_error error("unknown exception");
    if (life.Alive()) {
      HandleBackgroundException(error);
    } else {
      loop_.ReportException(error);
    }
  }
}

bool TSocketTransport::RaiseError(const std::string& message, int error) {
  last_error_message_ = message;
  if (!OnError) throw ESocketException(message, error);
  return Notify(OnError, message);
}

bool TSocketTransport::SocketError(int error, std::string_view function) {
  last_error_ = error;
  const std::string message = SocketErrorMessage(error, function);
  if ((error == socket_error::kConnectionReset || error == socket_error::kNotConnected) &&
      fd_ >= 0) {
    ReleaseSocket(CloseMode::kGraceful);
    if (!FireSessionClosed(error)) return false;
  }
  return RaiseError(message, error);
}

bool TSocketTransport::Refuse(const std::string& message, int error) {
  last_error_ = error;
  RaiseError(message, error);
  return false;
}

bool TSocketTransport::FireSessionClosed(int error) {
  if (!session_open_) return true;
  session_open_ = false;
  return Notify(OnSessionClosed, error);
}

bool TSocketTransport::SameConnection(std::uint64_t connection) const {
  return fd_ >= 0 && connection_ == connection;
}

// ---- Name resolution ------------------------------------------------------------------

void TSocketTransport::DnsLookup(const std::string& host) {
  if (lookup_ != nullptr) lookup_->Cancel();
  dns_result_.clear();
  const std::string name = Trimmed(host);
  if (name.empty()) {
    last_error_ = socket_error::kInvalidArgument;
    if (!RaiseError("DNS lookup: invalid host name.", socket_error::kInvalidArgument)) return;
    deferred_.Post([this] { Notify(OnDnsLookupDone, socket_error::kInvalidArgument); });
    return;
  }
  if (const auto address = ParseDottedAddress(name)) {
    dns_result_ = FormatDottedAddress(*address);
    Notify(OnDnsLookupDone, 0);
    return;
  }
  if (lookup_ == nullptr) {
    lookup_ = loop_.CreateHostLookup();
    lookup_->OnDone = [this](int error, const std::string& address) {
      HandleLookupDone(error, address);
    };
  }
  lookup_->Start(name);
}

void TSocketTransport::HandleLookupDone(int error, const std::string& address) {
  if (error == 0) {
    dns_result_ = address;
  } else {
    last_error_ = error;
  }
  Notify(OnDnsLookupDone, error);
}

void TSocketTransport::CancelDnsLookup() {
  if (!LookupRunning()) return;
  lookup_->Cancel();
  Notify(OnDnsLookupDone, socket_error::kInterrupted);
}

bool TSocketTransport::LookupRunning() const { return lookup_ != nullptr && lookup_->Running(); }

// ---- Connecting -----------------------------------------------------------------------

bool TSocketTransport::Connect() {
  using namespace socket_error;
  if (fd_ >= 0) return Refuse("Connect: Socket already in use", kAlreadyConnected);
  if (Port.empty()) return Refuse("Connect: No Port Specified", kInvalidArgument);
  if (Addr.empty()) return Refuse("Connect: No IP Address Specified", kInvalidArgument);
  if (Proto.empty()) return Refuse("Connect: No Protocol Specified", kInvalidArgument);
  if (!IsTcp(Proto)) return Refuse("connect: unsupported protocol " + Proto, kProtocolNotSupported);
  const auto port = ResolvePort(Port);
  if (!port) return Refuse("connect: unknown port " + Port, kInvalidArgument);
  const auto address = ParseDottedAddress(Addr);
  if (!address) return Refuse("connect: not a dotted IPv4 address: " + Addr, kInvalidArgument);
  if (!CreateSocket(*address, *port)) return false;
  StartConnect(*address, *port);
  return fd_ >= 0;
}

bool TSocketTransport::CreateSocket(std::uint32_t address, std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SocketError(SocketErrorFromErrno(errno), "socket");
    return false;
  }
  fd_ = fd;
  ++connection_;
  state_ = TSocketState::ssOpened;
  read_count_ = 0;
  data_sent_posted_ = false;
  send_queue_.Clear();
  if (!ApplyOptions()) return false;
  read_notifier_ = loop_.CreateSocketNotifier(fd_, SocketEvent::kRead);
  read_notifier_->OnActivated = [this] { RunFromLoop(&TSocketTransport::HandleReadable); };
  write_notifier_ = loop_.CreateSocketNotifier(fd_, SocketEvent::kWrite);
  write_notifier_->OnActivated = [this] { RunFromLoop(&TSocketTransport::HandleWritable); };
  return true;
}

// Options and the explicit bind; on failure the socket is closed without an event.
bool TSocketTransport::ApplyOptions() {
  const char* failed = nullptr;
  if (!SetInt(fd_, SOL_SOCKET, SO_REUSEADDR, 1) ||
      !SetInt(fd_, IPPROTO_TCP, TCP_NODELAY, ComponentOptions.count(TSocketOption::soTcpNoDelay))) {
    failed = "setsockopt";
  }
  if (failed == nullptr && LingerOnOff != TSocketLingerOnOff::lgLingerNoSet) {
    const linger value{LingerOnOff == TSocketLingerOnOff::lgLingerOn, std::max(0, LingerTimeout)};
    if (setsockopt(fd_, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) failed = "setsockopt";
  }
  if (failed == nullptr && !SetInt(fd_, SOL_SOCKET, SO_KEEPALIVE, 1)) failed = "setsockopt";
  if (failed == nullptr && (LocalAddr != "0.0.0.0" || LocalPort != "0")) {
    const auto local = ParseDottedAddress(LocalAddr);
    const auto local_port =
        LocalPort == "0" ? std::optional<std::uint16_t>(0) : ResolvePort(LocalPort);
    if (!local || !local_port) {
      errno = EINVAL;
      failed = "bind";
    } else {
      sockaddr_in bound{};
      bound.sin_family = AF_INET;
      bound.sin_addr.s_addr = htonl(*local);
      bound.sin_port = htons(*local_port);
      if (bind(fd_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) failed = "bind";
      if (failed == nullptr) state_ = TSocketState::ssBound;
    }
  }
  if (failed == nullptr) return true;
  const int error = SocketErrorFromErrno(errno);
  ReleaseSocket(CloseMode::kGraceful);
  SocketError(error, failed);
  return false;
}

void TSocketTransport::StartConnect(std::uint32_t address, std::uint16_t port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = htonl(address);
  peer.sin_port = htons(port);
  const int result = connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  const int errno_value = result == 0 ? 0 : errno;
  if (result == 0 || errno_value == EINPROGRESS || errno_value == EINTR) {
    state_ = TSocketState::ssConnecting;
    session_open_ = true;
    write_notifier_->SetEnabled(true);  // writable once the connect has completed
    return;
  }
  if (IsConnectOutcome(errno_value)) {
    // Known at once (loopback), but reported like any outcome: from the loop.
    state_ = TSocketState::ssConnecting;
    session_open_ = true;
    const int error = SocketErrorFromErrno(errno_value);
    const std::uint64_t connection = connection_;
    deferred_.Post([this, connection, error] {
      if (SameConnection(connection) && state_ == TSocketState::ssConnecting) {
        FinishConnect(error);
      }
    });
    return;
  }
  const int error = SocketErrorFromErrno(errno_value);
  ReleaseSocket(CloseMode::kGraceful);
  SocketError(error, "Connect");
}

void TSocketTransport::FinishConnect(int error) {
  write_notifier_->SetEnabled(false);
  const std::uint64_t connection = connection_;
  if (error == 0) {
    state_ = TSocketState::ssConnected;
    read_notifier_->SetEnabled(true);
    Notify(OnSessionConnected, 0);
    return;
  }
  last_error_ = error;
  if (!Notify(OnSessionConnected, error) || !SameConnection(connection)) return;
  ReleaseSocket(CloseMode::kGraceful);
  FireSessionClosed(error);
}

// ---- Sending --------------------------------------------------------------------------

int TSocketTransport::Send(const void* data, int count) {
  if (count < 0) count = 0;
  return Send(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(count)));
}

int TSocketTransport::Send(std::string_view bytes) {
  if (state_ != TSocketState::ssConnected) {
    SocketError(socket_error::kNotConnected, "Send");
    return -1;
  }
  if (bytes.empty()) return 0;
  send_queue_.Append(bytes);
  switch (TryToSend()) {
    case SendResult::kDrained:
      PostDataSent();
      break;
    case SendResult::kPending:
      write_notifier_->SetEnabled(true);
      break;
    case SendResult::kClosed:
    case SendResult::kFailed:
    case SendResult::kDestroyed:
      return -1;
  }
  return static_cast<int>(std::min<std::size_t>(bytes.size(), INT32_MAX));
}

TSocketTransport::SendResult TSocketTransport::TryToSend() {
  while (!send_queue_.Empty()) {
    const std::string_view front = send_queue_.Front();
    const ssize_t sent = send(fd_, front.data(), front.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      send_queue_.Consume(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) continue;
    const int error = SocketErrorFromErrno(errno);
    if (error == socket_error::kWouldBlock) return SendResult::kPending;
    last_error_ = error;
    if (IsClosingSendError(error)) {
      ReleaseSocket(CloseMode::kGraceful);
      return FireSessionClosed(error) ? SendResult::kClosed : SendResult::kDestroyed;
    }
    return SocketError(error, "TryToSend failed") ? SendResult::kFailed : SendResult::kDestroyed;
  }
  return SendResult::kDrained;
}

// OnDataSent after a Send that emptied the queue at once: from the loop, once.
void TSocketTransport::PostDataSent() {
  if (data_sent_posted_) return;
  data_sent_posted_ = true;
  const std::uint64_t connection = connection_;
  deferred_.Post([this, connection] {
    data_sent_posted_ = false;
    if (SameConnection(connection) && send_queue_.Empty()) Notify(OnDataSent, 0);
  });
}

void TSocketTransport::HandleWritable() {
  if (state_ == TSocketState::ssConnecting) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    FinishConnect(SocketErrorFromErrno(error));
    return;
  }
  if (state_ != TSocketState::ssConnected) {
    write_notifier_->SetEnabled(false);
    return;
  }
  if (TryToSend() != SendResult::kDrained) return;
  write_notifier_->SetEnabled(false);
  Notify(OnDataSent, 0);
}

// ---- Receiving ------------------------------------------------------------------------

int TSocketTransport::Receive(void* buffer, int size) {
  if (fd_ < 0) {
    SocketError(socket_error::kNotConnected, "recv");
    return -1;
  }
  if (size <= 0) return 0;
  for (;;) {
    const ssize_t count = recv(fd_, buffer, static_cast<std::size_t>(size), 0);
    if (count >= 0) {
      read_count_ += count;
      return static_cast<int>(count);
    }
    if (errno != EINTR) break;
  }
  const int error = SocketErrorFromErrno(errno);
  last_error_ = error;
  if (error != socket_error::kWouldBlock) SocketError(error, "recv");
  return -1;
}

int TSocketTransport::RcvdCount() const {
  int waiting = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &waiting) != 0) return 0;
  return waiting;
}

void TSocketTransport::HandleReadable() {
  if (state_ != TSocketState::ssConnected) return;
  const std::uint64_t connection = connection_;
  // No nested read notifications while the handlers run (they may pump the loop).
  read_notifier_->SetEnabled(false);
  if (!ReceiveLoop(connection) || !SameConnection(connection)) return;
  // Everything waiting has been read: tell a close or a reset by the peer from a pause.
  char probe = 0;
  const ssize_t peeked = recv(fd_, &probe, 1, MSG_PEEK);
  if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    const int error = peeked == 0 ? 0 : SocketErrorFromErrno(errno);
    ReleaseSocket(CloseMode::kGraceful);
    FireSessionClosed(error);
    return;
  }
  read_notifier_->SetEnabled(true);
}

// Raises OnDataAvailable while bytes are waiting and the handler takes some; without a
// handler the bytes are read and dropped.
bool TSocketTransport::ReceiveLoop(std::uint64_t connection) {
  for (;;) {
    const std::int64_t read_before = read_count_;
    if (OnDataAvailable) {
      if (!Notify(OnDataAvailable, 0)) return false;
    } else {
      char dropped[1024];
      Life life(*this);
      Receive(dropped, sizeof dropped);
      if (!life.Alive()) return false;
    }
    if (!SameConnection(connection)) return true;
    if (ComponentOptions.count(TSocketOption::soNoReceiveLoop) != 0) return true;
    // A handler that took nothing waits for the next notification.
    if (read_count_ == read_before || RcvdCount() == 0) return true;
  }
}

// ---- Closing --------------------------------------------------------------------------

void TSocketTransport::Close() {
  if (fd_ < 0) return;
  if (state_ == TSocketState::ssConnected && !send_queue_.Empty()) {
    Life life(*this);
    TryToSend();  // hand the network what it takes now
    if (!life.Alive() || fd_ < 0) return;
  }
  ReleaseSocket(CloseMode::kGraceful);
  FireSessionClosed(0);
}

void TSocketTransport::Abort() {
  if (lookup_ != nullptr) lookup_->Cancel();
  if (fd_ < 0) return;
  ReleaseSocket(CloseMode::kReset);
  FireSessionClosed(0);
}

void TSocketTransport::ReleaseSocket(CloseMode mode) {
  // The notifiers go first: they must never watch a closed descriptor.
  read_notifier_.reset();
  write_notifier_.reset();
  if (mode == CloseMode::kGraceful) {
    shutdown(fd_, SHUT_WR);
    SetLinger(fd_, false, 0);  // close() returns at once; the system finishes sending
  } else {
    SetLinger(fd_, true, 0);  // close() resets the connection
  }
  close(fd_);
  fd_ = -1;
  send_queue_.Clear();
  state_ = TSocketState::ssClosed;
  Proto = "tcp";
  LocalAddr = "0.0.0.0";
  LocalPort = "0";
  LingerOnOff = TSocketLingerOnOff::lgLingerOn;
  LingerTimeout = 0;
}

}  // namespace kasumido
