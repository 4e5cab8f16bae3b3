// kasumido-site-server: serves a copy of the publisher's site from a folder on 127.0.0.1,
// one file per request target (see site_files.h), for the demo and end-to-end runs.
//
//   kasumido-site-server --root DIR [--port N] [--request-log FILE] [--hold TARGET]...
//                        [--hostile TARGET=MODE[,COUNT]]...
//
// Prints "listening on 127.0.0.1:PORT" once it accepts connections, writes each request's
// target as one line to the request log (with "--request-times", each line begins with
// the milliseconds since the server started and a blank), and stops on SIGTERM or SIGINT
// (exit code 0). "--hold TARGET" leaves the first request for TARGET unanswered, its
// connection open until the client closes it, so that a run can be steered while a
// transfer is open; given n times, it holds the first n requests for TARGET.
// "--hostile TARGET=MODE" answers every request for TARGET the way a broken or hostile
// server would (the modes of site_server/hostile_answers.h: cut:40, trickle:2000, flood,
// huge:300, loop, 429:2, ...), or only the first COUNT requests when ",COUNT" follows.
#include <signal.h>

#include <charconv>
#include <chrono>
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

#include "site_server/hostile_answers.h"
#include "site_server/loopback_server.h"
#include "site_server/site_files.h"

namespace {

using kasumido::wire::Connection;
using kasumido::wire::HostileMode;
using kasumido::wire::LoopbackServer;
using kasumido::wire::Milliseconds;

constexpr Milliseconds kRequestTimeout{10000};

struct Options {
  std::filesystem::path root;
  std::uint16_t port = 0;
  std::optional<std::filesystem::path> request_log;
  std::map<std::string, int> holds;  // target: how many of its requests are still held
  // target: its hostile mode and how many requests it answers (-1: all)
  std::map<std::string, std::pair<HostileMode, int>> hostiles;
  bool request_times = false;
};

// "TARGET=MODE[,COUNT]": the target ends at the last "=" (a query may hold others).
bool AddHostile(std::string_view value, Options& options) {
  const std::size_t equals = value.rfind('=');
  if (equals == std::string_view::npos) return false;
  std::string_view mode_text = value.substr(equals + 1);
  int count = -1;
  if (const std::size_t comma = mode_text.find(','); comma != std::string_view::npos) {
    const std::string_view count_text = mode_text.substr(comma + 1);
    const auto [end, error] =
        std::from_chars(count_text.data(), count_text.data() + count_text.size(), count);
    if (error != std::errc() || end != count_text.data() + count_text.size() || count < 1) {
      return false;
    }
    mode_text = mode_text.substr(0, comma);
  }
  const std::optional<HostileMode> mode = kasumido::wire::ParseHostileMode(mode_text);
  if (!mode) return false;
  options.hostiles[std::string(value.substr(0, equals))] = {*mode, count};
  return true;
}

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--request-times") {
      options.request_times = true;
      continue;
    }
    if (i + 1 == argc) return std::nullopt;
    const std::string_view value = argv[++i];
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
    } else if (name == "--hostile") {
      if (!AddHostile(value, options)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (options.root.empty()) return std::nullopt;
  return options;
}

// Appends one line per request to the log file, from any connection thread.
class RequestLog {
 public:
  RequestLog(const std::optional<std::filesystem::path>& path, bool with_times)
      : with_times_(with_times) {
    if (path) out_.open(*path, std::ios::binary | std::ios::app);
  }
  bool Ok() const { return !out_.fail(); }
  void Add(std::string_view target) {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    std::lock_guard lock(mutex_);
    if (!out_.is_open()) return;
    if (with_times_) out_ << std::chrono::ceil<Milliseconds>(elapsed).count() << ' ';
    out_ << target << '\n';
    out_.flush();
  }

 private:
  const bool with_times_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
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

// Which requests get a hostile answer, counted across threads.
class Hostiles {
 public:
  explicit Hostiles(std::map<std::string, std::pair<HostileMode, int>> hostiles)
      : hostiles_(std::move(hostiles)) {}
  std::optional<HostileMode> Take(const std::string& target) {
    std::lock_guard lock(mutex_);
    const auto hostile = hostiles_.find(target);
    if (hostile == hostiles_.end()) return std::nullopt;
    auto& [mode, count] = hostile->second;
    if (count == 0) return std::nullopt;
    if (count > 0) --count;
    return mode;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::pair<HostileMode, int>> hostiles_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: kasumido-site-server --root DIR [--port N] [--request-log FILE] "
                 "[--request-times] [--hold TARGET]... [--hostile TARGET=MODE[,COUNT]]...\n");
    return 2;
  }
  if (!std::filesystem::is_directory(options->root)) {
    std::fprintf(stderr, "kasumido-site-server: %s is not a folder\n", options->root.c_str());
    return 2;
  }
  RequestLog log(options->request_log, options->request_times);
  Holds holds(options->holds);
  Hostiles hostiles(options->hostiles);
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
          const std::string response = kasumido::site::AnswerSiteRequest(root, head).response;
          if (const std::optional<HostileMode> mode = hostiles.Take(head.target)) {
            return kasumido::wire::HostileScript(*mode, head.target, response).Play(connection);
          }
          connection.Send(response);
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
