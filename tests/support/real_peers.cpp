#include "support/real_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace kasumido::test {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kStartDeadline{10000};
constexpr milliseconds kStopGrace{5000};
constexpr milliseconds kPollInterval{20};
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
bool WaitUntilAccepting(PeerProcess& process, std::uint16_t port) {
  const Clock::time_point deadline = Clock::now() + kStartDeadline;
  while (Clock::now() < deadline) {
    if (!process.Running()) return false;
    if (Accepts(port)) return true;
    std::this_thread::sleep_for(kPollInterval);
  }
  return false;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string NginxConfig(const std::filesystem::path& dir, std::uint16_t port,
                        const std::filesystem::path& root) {
  std::string server =
      ReadFile(std::filesystem::path(KASUMIDO_SOURCE_DIR) / "tools/site_server/nginx-site.conf.in");
  if (server.empty()) throw std::runtime_error("nginx-site.conf.in not found");
  ReplaceAll(server, "@LISTEN@", "127.0.0.1:" + std::to_string(port));
  ReplaceAll(server, "@ROOT@", root.string());
  ReplaceAll(server, "# @EXTRA_LOCATIONS@", "location = /moved { return 302 /target.html; }");
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

void PeerProcess::Start(const std::string& program, const std::vector<std::string>& args,
                        const std::filesystem::path& output_file) {
  Stop();
  std::vector<std::string> strings = {program};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : strings) argv.push_back(text.data());
  argv.push_back(nullptr);
  const int output = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (output < 0 || input < 0) throw std::runtime_error("cannot open " + output_file.string());
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on: the test process may have threads.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(input, 0);
    ::dup2(output, 1);
    ::dup2(output, 2);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for (int signal_number : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) {
      ::sigaction(signal_number, &default_action, nullptr);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(output);
  ::close(input);
  if (pid < 0) throw std::runtime_error("fork failed for " + program);
  pid_ = pid;
}

bool PeerProcess::Running() {
  if (pid_ < 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return true;
}

int PeerProcess::Stop() {
  if (!Running()) return exit_code_;
  ::kill(pid_, SIGTERM);
  const Clock::time_point deadline = Clock::now() + kStopGrace;
  while (Running() && Clock::now() < deadline) std::this_thread::sleep_for(kPollInterval);
  if (pid_ >= 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    exit_code_ = -1;
  }
  return exit_code_;
}

NginxPeer::NginxPeer(const std::filesystem::path& root) {
  const std::string program = FindProgram("nginx");
  if (program.empty()) throw std::runtime_error("nginx is not installed (scripts/setup.sh)");
  const std::filesystem::path dir = dir_.Path();
  std::filesystem::create_directories(dir / "temp");
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    port_ = FreeLoopbackPort();
    dir_.Write("nginx.conf", NginxConfig(dir, port_, std::filesystem::absolute(root)));
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
std::string NginxPeer::Origin() const { return "http://" + HostPort(); }
std::string NginxPeer::AccessLog() const { return dir_.Read("access.log"); }
std::string NginxPeer::ErrorLog() const { return dir_.Read("error.log"); }

bool NginxPeer::WaitForAccessLog(std::string_view text, milliseconds timeout) const {
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (AccessLog().find(text) != std::string::npos) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
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
