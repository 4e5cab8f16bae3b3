#include "support/real_peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "support/poll_until.h"

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStartDeadline{10000};
constexpr int kStartAttempts = 3;

bool Accepts(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// Waits until `process` accepts on `port`; false when it exits or the deadline passes.
bool WaitUntilAccepting(ChildProcess& process, std::uint16_t port) {
  return PollUntil([&] { return !process.Running() || Accepts(port); },
                   Clock::now() + kStartDeadline) &&
         process.Running();
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string NginxConfig(const std::filesystem::path& dir, std::uint16_t port,
                        const std::filesystem::path& root,
                        const std::optional<TlsServerFiles>& tls) {
  std::string server =
      ReadFile(std::filesystem::path(KASUMIDO_SOURCE_DIR) / "tools/site_server/nginx-site.conf.in");
  if (server.empty()) throw std::runtime_error("nginx-site.conf.in not found");
  std::string listen = "127.0.0.1:" + std::to_string(port);
  std::string extra = "location = /moved { return 302 /target.html; }";
  if (tls) {
    listen += " ssl";
    // On one line: the template's comment names the placeholder too.
    extra += " ssl_certificate " + Quoted(tls->Certificate) + "; ssl_certificate_key " +
             Quoted(tls->Key) + ";";
  }
  ReplaceAll(server, "@LISTEN@", listen);
  ReplaceAll(server, "@ROOT@", root.string());
  ReplaceAll(server, "# @EXTRA_LOCATIONS@", extra);
  std::string config = ::geteuid() == 0 ? "user root;\n" : "";
  config += "daemon off;\nmaster_process off;\nworker_processes 1;\n";
  config += "pid " + Quoted(dir / "nginx.pid") + ";\n";
  config += "error_log " + Quoted(dir / "error.log") + " info;\n";
  config += "events { worker_connections 64; }\nhttp {\n";
  config +=
      "log_format peers '$remote_addr \"$request\" $status $body_bytes_sent via=\"$http_via\"';\n";
  config += "access_log " + Quoted(dir / "access.log") + " peers;\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    config += std::string(kind) + "_temp_path " + Quoted(dir / "temp" / kind) + ";\n";
  }
  config += server + "}\n";
  return config;
}

}  // namespace

std::uint16_t FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("no free loopback port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

std::string FindProgram(std::string_view name) {
  std::vector<std::string> folders;
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      folders.emplace_back(rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  folders.insert(folders.end(), {"/usr/sbin", "/sbin", "/usr/local/sbin"});
  for (const std::string& folder : folders) {
    const std::string candidate = folder + "/" + std::string(name);
    if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

NginxPeer::NginxPeer(const std::filesystem::path& root, const std::optional<TlsServerFiles>& tls)
    : tls_(tls.has_value()) {
  const std::string program = FindProgram("nginx");
  if (program.empty()) throw std::runtime_error("nginx is not installed (scripts/setup.sh)");
  const std::filesystem::path dir = dir_.Path();
  std::filesystem::create_directories(dir / "temp");
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    port_ = FreeLoopbackPort();
    dir_.Write("nginx.conf", NginxConfig(dir, port_, std::filesystem::absolute(root), tls));
    process_.Start(program,
                   {"-p", dir.string() + "/", "-e", (dir / "error.log").string(), "-c",
                    (dir / "nginx.conf").string()},
                   dir / "output.txt");
    if (WaitUntilAccepting(process_, port_)) return;
    process_.Stop();
  }
  throw std::runtime_error("nginx did not start:\n" + ErrorLog() + dir_.Read("output.txt"));
}

NginxPeer::~NginxPeer() { process_.Stop(); }

std::string NginxPeer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
std::string NginxPeer::Origin() const {
  return tls_ ? "https://localhost:" + std::to_string(port_) : "http://" + HostPort();
}
std::string NginxPeer::AccessLog() const { return dir_.Read("access.log"); }
std::string NginxPeer::ErrorLog() const { return dir_.Read("error.log"); }

bool NginxPeer::WaitForAccessLog(std::string_view text, milliseconds timeout) const {
  return PollUntil([&] { return AccessLog().find(text) != std::string::npos; },
                   Clock::now() + timeout);
}

TinyproxyPeer::TinyproxyPeer() {
  const std::string program = FindProgram("tinyproxy");
  if (program.empty()) throw std::runtime_error("tinyproxy is not installed (scripts/setup.sh)");
  const std::filesystem::path dir = dir_.Path();
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    port_ = FreeLoopbackPort();
    std::string config = "Port " + std::to_string(port_) + "\n";
    config += "Listen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\nLogLevel Info\n";
    config += "LogFile " + Quoted(dir / "tinyproxy.log") + "\n";
    config += "PidFile " + Quoted(dir / "tinyproxy.pid") + "\n";
    config += "ViaProxyName \"" + std::string(kViaName) + "\"\n";
    dir_.Write("tinyproxy.conf", config);
    process_.Start(program, {"-d", "-c", (dir / "tinyproxy.conf").string()}, dir / "output.txt");
    if (WaitUntilAccepting(process_, port_)) return;
    process_.Stop();
  }
  throw std::runtime_error("tinyproxy did not start:\n" + Log() + dir_.Read("output.txt"));
}

TinyproxyPeer::~TinyproxyPeer() { process_.Stop(); }

std::string TinyproxyPeer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
std::string TinyproxyPeer::Log() const { return dir_.Read("tinyproxy.log"); }

}  // namespace kasumido::test
