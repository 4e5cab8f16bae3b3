// Real HTTP peers for the network tests: nginx as the site and tinyproxy as an HTTP proxy,
// each started as the current user on a free 127.0.0.1 port, with its own configuration,
// logs and temporary folders in a ScratchDir of its own. The constructor returns once the
// peer accepts connections (or throws std::runtime_error with the peer's log when it does
// not within a deadline); the destructor stops it (SIGTERM, then SIGKILL after a grace
// period) and reaps it. A peer also dies with the test process.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"
#include "support/scratch_dir.h"

namespace kasumido::test {

// A port on 127.0.0.1 that was free a moment ago.
std::uint16_t FreeLoopbackPort();

// The certificate and key of a TLS server, in PEM files.
struct TlsServerFiles {
  std::filesystem::path Certificate;
  std::filesystem::path Key;
};

// nginx serving a root folder with the site's on-disk naming (the server block of
// tools/site_server/nginx-site.conf.in), plus "/moved": a 302 with "Location: /target.html";
// over TLS when it is given a certificate (reached as "localhost").
// A missing file is a 404; large files are served whole. Its access log has one line per
// request: remote address, the request line in quotes, status, body bytes, and the Via
// header as via="...".
class NginxPeer {
 public:
  // REQUIRES: `root` is an existing folder that outlives the peer.
  explicit NginxPeer(const std::filesystem::path& root,
                     const std::optional<TlsServerFiles>& tls = std::nullopt);
  ~NginxPeer();

  std::uint16_t Port() const { return port_; }
  std::string HostPort() const;  // "127.0.0.1:PORT"
  // "http://127.0.0.1:PORT", or over TLS "https://localhost:PORT" (the certificate's name).
  std::string Origin() const;
  std::string AccessLog() const;
  std::string ErrorLog() const;
  // Waits until the access log holds `text` (nginx writes it after the response);
  // false when `timeout` passes.
  bool WaitForAccessLog(std::string_view text, std::chrono::milliseconds timeout) const;

 private:
  ScratchDir dir_;
  std::uint16_t port_ = 0;
  bool tls_ = false;
  ChildProcess process_;
};

// tinyproxy forwarding plain HTTP requests from 127.0.0.1. It adds
// "Via: 1.0 kasumido-test-proxy (...)" to what it forwards.
class TinyproxyPeer {
 public:
  static constexpr std::string_view kViaName = "kasumido-test-proxy";

  TinyproxyPeer();
  ~TinyproxyPeer();

  std::uint16_t Port() const { return port_; }
  std::string HostPort() const;
  std::string Log() const;

 private:
  ScratchDir dir_;
  std::uint16_t port_ = 0;
  ChildProcess process_;
};

// Full path of an installed program (searched in PATH, then /usr/sbin and /sbin); empty
// when it is not installed.
std::string FindProgram(std::string_view name);

}  // namespace kasumido::test
