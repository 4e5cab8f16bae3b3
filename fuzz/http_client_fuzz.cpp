// The real client on the deterministic loop against an in-process peer on 127.0.0.1: the
// peer, driven by the same loop, answers the first connection with the input's bytes
// (in chunks of the input's size) and every later one (a relocation) with a short page.
// The fetch ends by itself, with a return or an EHttpException only, and nothing the
// client sends holds a control byte outside its line ends.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "http/http_client.h"
#include "http/http_exception.h"
#include "platform/waits.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

// One accepted connection: reads the request head, then writes its answer and ends its
// sending side.
struct PeerConnection {
  int fd = -1;
  std::unique_ptr<SocketNotifier> reading;
  std::unique_ptr<SocketNotifier> writing;
  std::string request;
  std::string answer;
  size_t sent = 0;
};

class LoopPeer {
 public:
  explicit LoopPeer(EventLoop& loop) : loop_(loop) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    port_ = ntohs(address.sin_port);
    accepting_ = loop_.CreateSocketNotifier(listener_, SocketEvent::kRead);
    accepting_->OnActivated = [this] { Accept(); };
    accepting_->SetEnabled(true);
  }
  ~LoopPeer() {
    Reset();
    accepting_.reset();
    ::close(listener_);
  }

  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

  // Answers for the next connections; `chunk` bytes per write (0: as much as goes).
  void Script(std::string first, std::string later, size_t chunk) {
    first_ = std::move(first);
    later_ = std::move(later);
    chunk_ = chunk;
  }
  // Ends every connection with a reset (no TIME_WAIT is left behind) and forgets them.
  void Reset() {
    for (auto& connection : connections_) {
      connection->reading.reset();
      connection->writing.reset();
      const linger abort{1, 0};
      ::setsockopt(connection->fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      ::close(connection->fd);
    }
    connections_.clear();
  }
  std::vector<std::string> Requests() const {
    std::vector<std::string> requests;
    for (const auto& connection : connections_) requests.push_back(connection->request);
    return requests;
  }

 private:
  void Accept() {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    auto connection = std::make_unique<PeerConnection>();
    PeerConnection& c = *connection;
    c.fd = fd;
    c.answer = connections_.empty() ? first_ : later_;
    c.reading = loop_.CreateSocketNotifier(fd, SocketEvent::kRead);
    c.writing = loop_.CreateSocketNotifier(fd, SocketEvent::kWrite);
    c.reading->OnActivated = [this, &c] { Read(c); };
    c.writing->OnActivated = [this, &c] { Write(c); };
    c.reading->SetEnabled(true);
    connections_.push_back(std::move(connection));
  }
  void Read(PeerConnection& c) {
    char buffer[4096];
    const ssize_t count = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (count <= 0) {
      if (count < 0 && errno == EAGAIN) return;
      c.reading->SetEnabled(false);
      return;
    }
    c.request.append(buffer, static_cast<size_t>(count));
    if (c.request.find("\r\n\r\n") != std::string::npos && !c.writing->Enabled() && c.sent == 0) {
      c.writing->SetEnabled(true);
    }
  }
  void Write(PeerConnection& c) {
    const size_t left = c.answer.size() - c.sent;
    const size_t count = chunk_ == 0 ? left : std::min(left, chunk_);
    if (count > 0) {
      const ssize_t written = ::send(c.fd, c.answer.data() + c.sent, count, MSG_NOSIGNAL);
      if (written > 0) c.sent += static_cast<size_t>(written);
      if (written < 0 && errno != EAGAIN) c.sent = c.answer.size();
    }
    if (c.sent == c.answer.size()) {
      c.writing->SetEnabled(false);
      ::shutdown(c.fd, SHUT_WR);
    }
  }

  EventLoop& loop_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::unique_ptr<SocketNotifier> accepting_;
  std::vector<std::unique_ptr<PeerConnection>> connections_;
  std::string first_;
  std::string later_;
  size_t chunk_ = 0;
};

class Sink : public DocumentStream {
 public:
  void Write(const char*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

// Every line of a request head (as far as the peer read it) ends in CR LF and holds no
// other control byte. What follows a whole head is not the head's: after a proxy's tunnel
// has opened it is the TLS handshake.
bool CleanRequest(std::string_view request) {
  const size_t head_end = request.find("\r\n\r\n");
  const size_t end = head_end != std::string_view::npos ? head_end : request.rfind("\r\n");
  request = request.substr(0, end == std::string_view::npos ? 0 : end + 2);
  for (size_t i = 0; i < request.size(); ++i) {
    const auto byte = static_cast<unsigned char>(request[i]);
    if (byte == '\r' && i + 1 < request.size() && request[i + 1] == '\n') {
      ++i;
    } else if (byte < 0x20 || byte == 0x7F) {
      return false;
    }
  }
  return true;
}

struct World {
  World() : peer(loop), client(loop), watchdog(loop.CreateTimer()) {
    loop.AddHost("127.0.0.1", "127.0.0.1");
    loop.AddHost("proxy.test", "127.0.0.1");
    watchdog->OnTimer = [this] {
      watchdog->SetEnabled(false);
      client.AbortRequest();
    };
    watchdog->SetInterval(Milliseconds(5000));
  }
  test::TestEventLoop loop;
  LoopPeer peer;
  THttpClient client;
  std::unique_ptr<Timer> watchdog;
};

}  // namespace
}  // namespace kasumido

// Input: the write size of the peer, a mode byte (bit 0: through a proxy, which the peer
// plays too), then the first answer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  static World* world = new World();  // one listener for the whole run
  fuzz::FuzzInput input(data, size);
  const size_t chunk = input.Byte();
  const bool proxied = (input.Byte() & 1) != 0;
  const std::string answer(input.Take(65536));
  world->peer.Script(answer, "HTTP/1.0 200 OK\r\n\r\nmoved here", chunk);
  THttpClient& client = world->client;
  Sink sink;
  client.DocStream = &sink;
  client.URL = "http://127.0.0.1/page.html";
  client.Proxy = proxied ? world->peer.HostPort() : "";
  if (!proxied) client.URL = world->peer.Origin() + "/page.html";
  client.Username.clear();
  client.Password.clear();
  world->watchdog->SetEnabled(true);
  try {
    client.FetchSync();
  } catch (const EHttpException&) {
    // A failed request is one of the outcomes.
  }
  world->watchdog->SetEnabled(false);
  PumpUntil(
      world->loop, [&] { return client.State() == HttpState::Idle; },
      world->loop.Now() + Milliseconds(1000));
  FUZZ_CHECK(client.State() == HttpState::Idle);
  client.DocStream = nullptr;
  for (const std::string& request : world->peer.Requests()) FUZZ_CHECK(CleanRequest(request));
  client.AbortRequest();  // closes a connection the client may still hold
  world->peer.Reset();
  return 0;
}
