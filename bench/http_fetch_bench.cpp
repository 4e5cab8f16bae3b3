// The HTTP client on loopback against nginx, beside curl in the same run, over plain
// HTTP and over TLS (the same nginx serving the same files on a second port, with a
// certificate for localhost from a test authority made for the run, which both trust;
// curl, like the client, on the system's OpenSSL):
// - one large body (10 MB, 100 MiB) fetched into a file: THttpClient::FetchSync vs
//   "curl -0 -s -o FILE URL";
// - 500 sequential fetches of a 100 KiB file, one connection each: the client vs one
//   curl process given the 500 URLs (HTTP/1.0, so it also opens a connection each; both
//   resume TLS sessions);
// - the peak resident size of a process that fetches 10 MB and 100 MiB (the
//   kasumido-fetch tool, and curl for comparison): it must not grow with the body;
// - the CPU a FetchSync uses while it waits 10 s on a server that sends nothing.
// Run the release build: build/release/bench/http_fetch_bench (prints medians, minima and
// maxima of repeated runs; the counters carry MB/s, requests/s, CPU seconds per fetch,
// peak RSS and CPU share). --benchmark_enable_random_interleaving=true lets the client's
// and curl's runs take turns, so both see the same load.
// Benchmarks over TLS end in "/tls".
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "http/http_client.h"
#include "platform/qt/qt_event_loop.h"
#include "support/real_peers.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"

extern char** environ;

namespace {

using namespace kasumido;

constexpr std::int64_t kMegabyte = 1000 * 1000;
constexpr std::int64_t kMebibyte = 1024 * 1024;
constexpr std::int64_t kSmallSize = 100 * 1024;
constexpr int kSmallCount = 500;
const std::string kFetchTool = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-fetch";

// What every benchmark shares: the site folder, the test authority, nginx over plain HTTP
// and over TLS, an output folder, the client.
struct Setup {
  test::ScratchDir root;
  test::ScratchDir authority;
  test::ScratchDir out;
  std::unique_ptr<test::NginxPeer> nginx;
  std::unique_ptr<test::NginxPeer> tls_nginx;
  std::unique_ptr<EventLoop> loop;
  std::unique_ptr<THttpClient> client;

  std::string Url(const std::string& name, bool tls) const {
    return (tls ? tls_nginx : nginx)->Origin() + "/" + name;
  }
  std::string AuthorityFile() const { return (authority.Path() / "ca.pem").string(); }
};
Setup* setup = nullptr;

std::string BodyName(std::int64_t size) { return "body_" + std::to_string(size) + ".bin"; }

void WriteBody(const std::string& name, std::int64_t size) {
  std::string block(1 << 20, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 % 251);
  FileDocumentStream file((setup->root.Path() / name).string());
  for (std::int64_t left = size; left > 0; left -= static_cast<std::int64_t>(block.size())) {
    file.Write(block.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, block.size())));
  }
  file.Close();
}

// Runs `argv` to its end with its output dropped; answers its exit code and fills `usage`.
int Run(const std::vector<std::string>& argv, rusage* usage) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int started = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  rusage ignored{};
  if (wait4(pid, &status, 0, usage != nullptr ? usage : &ignored) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every run starts with the page cache written back, so that no run pays for the
// write-back of the files an earlier one left.
void FlushDirtyPages() { ::sync(); }

// Fetches `name` with the shared client into `file`; false with the reason on failure.
bool ClientFetch(const std::string& name, bool tls, const std::string& file, std::string& error) {
  FileDocumentStream stream(file);
  setup->client->DocStream = &stream;
  setup->client->URL = setup->Url(name, tls);
  try {
    setup->client->FetchSync();
  } catch (const EHttpException& failure) {
    error = failure.what();
  }
  setup->client->DocStream = nullptr;
  stream.Close();
  return error.empty();
}

// curl's command line for one fetch over HTTP/1.0, trusting the test authority.
std::vector<std::string> Curl(bool tls) {
  std::vector<std::string> argv = {"/usr/bin/curl", "-0", "-s"};
  if (tls) argv.insert(argv.end(), {"--cacert", setup->AuthorityFile()});
  return argv;
}

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// state.range(0): the body's size; state.range(1): 1 over TLS. The counter cpu_s is the
// CPU one fetch takes: the client's thread's, curl's process's (its start included).
void BM_ClientLargeBody(benchmark::State& state) {
  FlushDirtyPages();
  const std::int64_t size = state.range(0);
  const std::string file = (setup->out.Path() / "client.bin").string();
  const double cpu_start = ThreadCpuSeconds();
  for (auto _ : state) {
    std::string error;
    if (!ClientFetch(BodyName(size), state.range(1) != 0, file, error) ||
        setup->client->DocByteCount() != size) {
      state.SkipWithError(("fetch failed: " + error).c_str());
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["cpu_s"] =
      benchmark::Counter(ThreadCpuSeconds() - cpu_start, benchmark::Counter::kAvgIterations);
}

void BM_CurlLargeBody(benchmark::State& state) {
  FlushDirtyPages();
  const std::int64_t size = state.range(0);
  const std::string file = (setup->out.Path() / "curl.bin").string();
  std::vector<std::string> argv = Curl(state.range(1) != 0);
  argv.insert(argv.end(), {"-o", file, setup->Url(BodyName(size), state.range(1) != 0)});
  double cpu = 0;
  for (auto _ : state) {
    rusage usage{};
    if (Run(argv, &usage) != 0) {
      state.SkipWithError("curl failed");
      return;
    }
    cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

// state.range(0): 1 over TLS.
void BM_ClientSequentialSmall(benchmark::State& state) {
  FlushDirtyPages();
  for (auto _ : state) {
    for (int i = 0; i < kSmallCount; ++i) {
      std::string error;
      const std::string file = (setup->out.Path() / ("c" + std::to_string(i))).string();
      if (!ClientFetch(BodyName(kSmallSize), state.range(0) != 0, file, error)) {
        state.SkipWithError(("fetch failed: " + error).c_str());
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kSmallCount);
}

void BM_CurlSequentialSmall(benchmark::State& state) {
  FlushDirtyPages();
  std::vector<std::string> argv = Curl(state.range(0) != 0);
  for (int i = 0; i < kSmallCount; ++i) {
    argv.push_back("-o");
    argv.push_back((setup->out.Path() / ("k" + std::to_string(i))).string());
    argv.push_back(setup->Url(BodyName(kSmallSize), state.range(0) != 0));
  }
  for (auto _ : state) {
    if (Run(argv, nullptr) != 0) {
      state.SkipWithError("curl failed");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kSmallCount);
}

// Peak resident size of one fetching process, in KiB. The process is started through
// /usr/bin/time, which reports it: a child spawned straight from this (larger) process
// would count this process's size as its own peak.
void PeakRss(benchmark::State& state, bool curl) {
  const std::int64_t size = state.range(0);
  const std::string file = (setup->out.Path() / "rss.bin").string();
  const std::string report = (setup->out.Path() / "rss.txt").string();
  const std::string url = setup->Url(BodyName(size), false);
  std::vector<std::string> argv = {"/usr/bin/time", "-f", "%M", "-o", report};
  if (curl) {
    argv.insert(argv.end(), {"/usr/bin/curl", "-0", "-s", "-o", file, url});
  } else {
    argv.insert(argv.end(), {kFetchTool, "--proxy", "", url, file});
  }
  for (auto _ : state) {
    if (Run(argv, nullptr) != 0) {
      state.SkipWithError("fetch failed (or /usr/bin/time missing)");
      return;
    }
  }
  std::ifstream in(report);
  double kib = 0;
  in >> kib;
  state.counters["peak_rss_KiB"] = kib;
}
void BM_PeakRssFetchTool(benchmark::State& state) { PeakRss(state, false); }
void BM_PeakRssCurl(benchmark::State& state) { PeakRss(state, true); }

// The synchronous wait on a server that sends nothing, ended after 10 s by a timer (the
// page fetch's time-out). The server's own threads are not counted: only this thread.
void BM_IdleWaitCpu(benchmark::State& state) {
  test::ScriptedHttpServer silent;
  const std::unique_ptr<Timer> time_out = setup->loop->CreateTimer();
  time_out->SetInterval(std::chrono::seconds(10));
  time_out->OnTimer = [&] {
    time_out->SetEnabled(false);
    setup->client->AbortRequest();
  };
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    silent.Enqueue(test::Script().HoldOpen());
    setup->client->URL = silent.Origin() + "/page.html";
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = ThreadCpuSeconds();
    time_out->SetEnabled(true);
    try {
      setup->client->FetchSync();
    } catch (const EHttpException&) {
      // The abort: expected.
    }
    cpu += ThreadCpuSeconds() - cpu_start;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / wall;
  state.counters["cpu_ms"] = cpu * 1000.0;
}

// Medians, minima and maxima of several runs; each run is timed by the wall clock (curl is
// another process).
void Repeated(benchmark::internal::Benchmark* benchmark) {
  const auto least = [](const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
  };
  const auto most = [](const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
  };
  benchmark->Repetitions(7)
      ->ComputeStatistics("min", least)
      ->ComputeStatistics("max", most)
      ->ReportAggregatesOnly(true)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

constexpr std::int64_t kLargeSizes[] = {10 * kMegabyte, 100 * kMebibyte};

void Register() {
  for (const int tls : {0, 1}) {
    const std::string scheme = tls != 0 ? "/tls" : "";
    for (const std::int64_t size : kLargeSizes) {
      Repeated(
          benchmark::RegisterBenchmark(("ClientLargeBody" + scheme).c_str(), BM_ClientLargeBody)
              ->Args({size, tls}));
      Repeated(benchmark::RegisterBenchmark(("CurlLargeBody" + scheme).c_str(), BM_CurlLargeBody)
                   ->Args({size, tls}));
    }
    Repeated(benchmark::RegisterBenchmark(("ClientSequential500x100KiB" + scheme).c_str(),
                                          BM_ClientSequentialSmall)
                 ->Arg(tls));
    Repeated(benchmark::RegisterBenchmark(("CurlSequential500x100KiB" + scheme).c_str(),
                                          BM_CurlSequentialSmall)
                 ->Arg(tls));
  }
  for (const std::int64_t size : kLargeSizes) {
    benchmark::RegisterBenchmark("PeakRssFetchTool", BM_PeakRssFetchTool)->Arg(size)->Iterations(1);
    benchmark::RegisterBenchmark("PeakRssCurl", BM_PeakRssCurl)->Arg(size)->Iterations(1);
  }
  benchmark::RegisterBenchmark("IdleWaitCpu10s", BM_IdleWaitCpu)->Iterations(1)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  for (const char* name : {"http_proxy", "HTTP_PROXY"}) ::unsetenv(name);
  Setup shared;
  setup = &shared;
  for (const std::int64_t size : {10 * kMegabyte, 100 * kMebibyte, kSmallSize}) {
    WriteBody(BodyName(size), size);
  }
  if (Run({"/bin/bash", std::string(KASUMIDO_SOURCE_DIR) + "/tests/support/test_authority.sh",
           shared.authority.Path().string()},
          nullptr) != 0) {
    std::fprintf(stderr, "http_fetch_bench: the test authority could not be made\n");
    return 1;
  }
  ::setenv("SSL_CERT_FILE", shared.AuthorityFile().c_str(), 1);
  shared.nginx = std::make_unique<test::NginxPeer>(shared.root.Path());
  shared.tls_nginx = std::make_unique<test::NginxPeer>(
      shared.root.Path(), test::TlsServerFiles{shared.authority.Path() / "good.pem",
                                               shared.authority.Path() / "good.key"});
  shared.loop = MakeEventLoop();
  shared.client = std::make_unique<THttpClient>(*shared.loop);
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  shared.client.reset();
  shared.loop.reset();
  return 0;
}
