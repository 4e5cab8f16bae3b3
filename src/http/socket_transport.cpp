#include "http/socket_transport.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "http/socket_address.h"
#include "platform/sockets.h"

namespace kasumido {

namespace {

// Errors that end the connection attempt itself; they are reported as its outcome
// (OnSessionConnected) rather than as a failure to start it.
bool IsConnectOutcome(int error) {
  using namespace socket_error;
  return error == kConnectionRefused || error == kTimedOut || error == kNetworkUnreachable ||
         error == kHostUnreachable || error == kConnectionReset;
}

std::string Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank);
  return std::string(begin, end.base());
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
  lookup_.reset();
  if (socket_ != kInvalidSocket) ReleaseSocket(CloseMode::kGraceful);
}

// ---- Events and errors ----------------------------------------------------------------

template <typename Event, typename... Args>
bool TSocketTransport::Notify(const Event& event, const Args&... args) {
  const std::uint64_t course = gate_.Course();
  try {
    return gate_.Raise(event, args...);
  } catch (const std::exception& error) {
    HandleBackgroundException(error);
  } catch (...) {
    HandleBackgroundException(std::runtime_error("unknown exception"));
  }
  return gate_.Holds(course);
}

void TSocketTransport::HandleBackgroundException(const std::exception& error) {
  bool can_close = true;
  try {
    gate_.Raise(OnBgException, error, can_close);
  } catch (const std::exception& again) {
    loop_.ReportException(again);
  } catch (...) {
    loop_.ReportException(std::runtime_error("unknown exception"));
  }
  if (can_close) Abort();
}

// Work that the loop starts (readiness, lookups, queued calls). Anything that escapes it,
// such as a socket error raised while no OnError handler is set, is a background
// exception too.
void TSocketTransport::RunFromLoop(void (TSocketTransport::*step)()) {
  try {
    (this->*step)();
  } catch (const std::exception& error) {
    HandleBackgroundException(error);
  } catch (...) {
    HandleBackgroundException(std::runtime_error("unknown exception"));
  }
}

void TSocketTransport::RaiseError(const std::string& message, int error) {
  last_error_message_ = message;
  if (!OnError) throw ESocketException(message, error);
  Notify(OnError, message);
}

void TSocketTransport::SocketError(int error, std::string_view function) {
  last_error_ = error;
  const std::string message = SocketErrorMessage(error, function);
  if ((error == socket_error::kConnectionReset || error == socket_error::kNotConnected) &&
      socket_ != kInvalidSocket) {
    ReleaseSocket(CloseMode::kGraceful);
    FireSessionClosed(error);
  }
  RaiseError(message, error);
}

bool TSocketTransport::Refuse(const std::string& message, int error) {
  last_error_ = error;
  RaiseError(message, error);
  return false;
}

void TSocketTransport::FireSessionClosed(int error) {
  if (!session_open_) return;
  session_open_ = false;
  Notify(OnSessionClosed, error);
}

// ---- Name resolution ------------------------------------------------------------------

void TSocketTransport::DnsLookup(const std::string& host) {
  if (lookup_ != nullptr) lookup_->Cancel();
  dns_result_.clear();
  const std::string name = Trimmed(host);
  if (name.empty()) {
    last_error_ = socket_error::kInvalidArgument;
    RaiseError("DNS lookup: invalid host name.", socket_error::kInvalidArgument);
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
  if (socket_ != kInvalidSocket) return Refuse("Connect: Socket already in use", kAlreadyConnected);
  if (Port.empty()) return Refuse("Connect: No Port Specified", kInvalidArgument);
  if (Addr.empty()) return Refuse("Connect: No IP Address Specified", kInvalidArgument);
  if (Proto.empty()) return Refuse("Connect: No Protocol Specified", kInvalidArgument);
  if (!IsTcpProtocol(Proto))
    return Refuse("connect: unsupported protocol " + Proto, kProtocolNotSupported);
  const auto port = ResolvePort(Port);
  if (!port) return Refuse("connect: unknown port " + Port, kInvalidArgument);
  const auto address = ParseDottedAddress(Addr);
  if (!address) return Refuse("connect: not a dotted IPv4 address: " + Addr, kInvalidArgument);
  if (!CreateSocket(*address, *port)) return false;
  StartConnect(*address, *port);
  return socket_ != kInvalidSocket;
}

bool TSocketTransport::CreateSocket(std::uint32_t address, std::uint16_t port) {
  int error = 0;
  const SocketHandle socket = OpenTcpSocket(error);
  if (socket == kInvalidSocket) {
    SocketError(error, "socket");
    return false;
  }
  socket_ = socket;
  gate_.Move();
  state_ = TSocketState::ssOpened;
  read_count_ = 0;
  data_sent_posted_ = false;
  send_queue_.Clear();
  if (!ApplyOptions()) return false;
  read_notifier_ = loop_.CreateSocketNotifier(socket_, SocketEvent::kRead);
  read_notifier_->OnActivated = [this] { RunFromLoop(&TSocketTransport::HandleReadable); };
  write_notifier_ = loop_.CreateSocketNotifier(socket_, SocketEvent::kWrite);
  write_notifier_->OnActivated = [this] { RunFromLoop(&TSocketTransport::HandleWritable); };
  return true;
}

// Options and the explicit bind; on failure the socket is closed without an event.
bool TSocketTransport::ApplyOptions() {
  const char* failed = "setsockopt";
  int error = SetSocketOption(socket_, SocketOption::kReuseAddress, true);
  if (error == 0) {
    error = SetSocketOption(socket_, SocketOption::kNoDelay,
                            ComponentOptions.count(TSocketOption::soTcpNoDelay) != 0);
  }
  if (error == 0 && LingerOnOff != TSocketLingerOnOff::lgLingerNoSet) {
    error = SetSocketLinger(socket_, LingerOnOff == TSocketLingerOnOff::lgLingerOn, LingerTimeout);
  }
  if (error == 0) error = SetSocketOption(socket_, SocketOption::kKeepAlive, true);
  if (error == 0 && (LocalAddr != "0.0.0.0" || LocalPort != "0")) {
    failed = "bind";
    const auto local = ParseDottedAddress(LocalAddr);
    const auto local_port =
        LocalPort == "0" ? std::optional<std::uint16_t>(0) : ResolvePort(LocalPort);
    if (!local || !local_port) {
      error = socket_error::kInvalidArgument;
    } else {
      error = BindSocket(socket_, *local, *local_port);
      if (error == 0) state_ = TSocketState::ssBound;
    }
  }
  if (error == 0) return true;
  ReleaseSocket(CloseMode::kGraceful);
  SocketError(error, failed);
  return false;
}

void TSocketTransport::StartConnect(std::uint32_t address, std::uint16_t port) {
  const int result = ConnectSocket(socket_, address, port);
  if (result == 0 || result == socket_error::kInProgress) {
    state_ = TSocketState::ssConnecting;
    session_open_ = true;
    write_notifier_->SetEnabled(true);  // writable once the connect has completed
    return;
  }
  if (IsConnectOutcome(result)) {
    // Known at once (loopback), but reported like any outcome: from the loop.
    state_ = TSocketState::ssConnecting;
    session_open_ = true;
    const int error = result;
    deferred_.Post(gate_.Bind([this, error] {
      if (state_ == TSocketState::ssConnecting) FinishConnect(error);
    }));
    return;
  }
  ReleaseSocket(CloseMode::kGraceful);
  SocketError(result, "Connect");
}

void TSocketTransport::FinishConnect(int error) {
  write_notifier_->SetEnabled(false);
  if (error == 0) {
    state_ = TSocketState::ssConnected;
    read_notifier_->SetEnabled(true);
    Notify(OnSessionConnected, 0);
    return;
  }
  last_error_ = error;
  if (!Notify(OnSessionConnected, error)) return;
  ReleaseSocket(CloseMode::kGraceful);
  FireSessionClosed(error);
}

// ---- Closing --------------------------------------------------------------------------

void TSocketTransport::Close() {
  if (socket_ == kInvalidSocket) return;
  if (state_ == TSocketState::ssConnected && !send_queue_.Empty()) {
    TryToSend();  // hand the network what it takes now
    if (socket_ == kInvalidSocket) return;
  }
  ReleaseSocket(CloseMode::kGraceful);
  FireSessionClosed(0);
}

void TSocketTransport::Abort() {
  if (lookup_ != nullptr) lookup_->Cancel();
  if (socket_ == kInvalidSocket) return;
  ReleaseSocket(CloseMode::kReset);
  FireSessionClosed(0);
}

void TSocketTransport::ReleaseSocket(CloseMode mode) {
  // The notifiers go first: they must never watch a closed descriptor.
  read_notifier_.reset();
  write_notifier_.reset();
  gate_.Move();
  if (mode == CloseMode::kGraceful) {
    ShutdownSending(socket_);
    SetSocketLinger(socket_, false, 0);  // the close returns at once; the system finishes sending
  } else {
    SetSocketLinger(socket_, true, 0);  // the close resets the connection
  }
  CloseSocket(socket_);
  socket_ = kInvalidSocket;
  send_queue_.Clear();
  state_ = TSocketState::ssClosed;
  Proto = "tcp";
  LocalAddr = "0.0.0.0";
  LocalPort = "0";
  LingerOnOff = TSocketLingerOnOff::lgLingerOn;
  LingerTimeout = 0;
}

}  // namespace kasumido
