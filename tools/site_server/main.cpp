// kasumido-site-server: serves a copy of the publisher's site from a folder on 127.0.0.1,
// one file per request target (see site_files.h), for the demo and end-to-end runs.
//
//   kasumido-site-server --root DIR [--port N] [--request-log FILE] [--hold TARGET]...
//
// Prints "listening on 127.0.0.1:PORT" once it accepts connections, writes each request's
// target as one line to the request log, and stops on SIGTERM or SIGINT (exit code 0).
// "--hold TARGET" leaves the first request for TARGET unanswered, its connection open until
// the client closes it, so that a run can be steered while a transfer is open; given n
// times, it holds the first n requests for TARGET.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "site_server/loopback_server.h"
#include "site_server/site_files.h"

namespace {

using kasumido::wire::Connection;
using kasumido::wire::LoopbackServer;
using kasumido::wire::Milliseconds;

constexpr Milliseconds kRequestTimeout{10000};

struct Options {
  std::filesystem::path root;
  std::uint16_t port = 0;
  std::optional<std::filesystem::path> request_log;
  std::map<std::string, int> holds;  // target: how many of its requests are still held
};

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    const std::string_view value = argv[i + 1];
    if (name == "--root") {
      options.root = value;
    } else if (name == "--port") {
      const auto [end, error] =
          std::from_chars(value.data(), value.data() + value.size(), options.port);
      if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
    } else if (name == "--request-log") {
      options.request_log = value;
    } else if (name == "--hold") {
      ++options.holds[std::string(value)];
    } else {
      return std::nullopt;
    }
  }
  if (argc % 2 == 0 || options.root.empty()) return std::nullopt;
  return options;
}

// Appends one line per request to the log file, from any connection thread.
class RequestLog {
 public:
  explicit RequestLog(const std::optional<std::filesystem::path>& path) {
    if (path) out_.open(*path, std::ios::binary | std::ios::app);
  }
  bool Ok() const { return !out_.fail(); }
  void Add(std::string_view target) {
    std::lock_guard lock(mutex_);
    if (!out_.is_open()) return;
    out_ << target << '\n';
    out_.flush();
  }

 private:
  std::mutex mutex_;
  std::ofstream out_;
};

// Which requests go unanswered: the first n for each held target, counted across threads.
class Holds {
 public:
  explicit Holds(std::map<std::string, int> holds) : holds_(std::move(holds)) {}
  bool Take(const std::string& target) {
    std::lock_guard lock(mutex_);
    const auto hold = holds_.find(target);
    if (hold == holds_.end() || hold->second == 0) return false;
    --hold->second;
    return true;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, int> holds_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: kasumido-site-server --root DIR [--port N] [--request-log FILE] "
                 "[--hold TARGET]...\n");
    return 2;
  }
  if (!std::filesystem::is_directory(options->root)) {
    std::fprintf(stderr, "kasumido-site-server: %s is not a folder\n", options->root.c_str());
    return 2;
  }
  RequestLog log(options->request_log);
  Holds holds(options->holds);
  if (!log.Ok()) {
    std::fprintf(stderr, "kasumido-site-server: cannot write the request log\n");
    return 2;
  }
  // Every thread inherits this mask; the main thread alone takes the signals below.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const std::filesystem::path root = options->root;
  try {
    LoopbackServer server(
        [&](Connection& connection) {
          const kasumido::wire::RequestHead head = connection.ReadRequestHead(kRequestTimeout);
          if (head.bytes.empty()) return;
          if (!head.target.empty()) log.Add(head.target);
          if (holds.Take(head.target)) return connection.WaitForPeerClose();
          connection.Send(kasumido::site::AnswerSiteRequest(root, head).response);
        },
        options->port);
    std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.Stop();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kasumido-site-server: %s\n", error.what());
    return 1;
  }
  return 0;
}
