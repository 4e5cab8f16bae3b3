// The end-to-end harness: the real program copied into a host-folder layout, started as
// a separate process with the console view, against a site served over loopback HTTP.
// What a test reads back is what the host would: the master file, the run log, the saved
// copies, the work files in the temporary folder, and the program's console output.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/real_peers.h"
#include "support/scratch_dir.h"

namespace kasumido::e2e {

using Milliseconds = std::chrono::milliseconds;

// A started program: standard input from /dev/null, standard output and error into one
// file. Killed (SIGKILL) when the object goes while it still runs, and when the test
// process dies.
class ProgramRun {
 public:
  ProgramRun(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, std::filesystem::path output);
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits for the end; the exit code, or -1 when it ended by a signal. Kills it and
  // fails the test when `timeout` passes first.
  int Wait(Milliseconds timeout);
  // Waits until the console output holds `text` (UTF-8); false after `timeout` or when
  // the program ended without it.
  bool WaitForOutput(std::string_view text, Milliseconds timeout);
  void Signal(int signal_number);
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int exit_code_ = -1;
  std::filesystem::path output_;
};

// kasumido-site-server serving `root` on a free loopback port, its request log kept.
class SiteServer {
 public:
  explicit SiteServer(const std::filesystem::path& root);
  ~SiteServer();

  std::uint16_t Port() const { return port_; }
  std::string Origin() const;
  // The request targets served so far, one per request, in order.
  std::vector<std::string> Requests() const;

 private:
  test::ScratchDir dir_;
  test::PeerProcess process_;
  std::uint16_t port_ = 0;
};

// A copy of the sample site whose listing pages the test writes itself: every detail
// page and image of samples/site, and only the listing pages given.
class MiniSite {
 public:
  MiniSite();
  // Writes the listing page `path` (e.g. "/comic/kongetsu.html") linking `links` in order.
  void Listing(std::string_view path, const std::vector<std::string>& links);
  const std::filesystem::path& Root() const { return dir_.Path(); }

 private:
  test::ScratchDir dir_;
};

// The host's folder with the program copied into its sub-folder "plugin", the settings
// file, and a temporary folder of its own.
class HostLayout {
 public:
  HostLayout();

  void WriteSettings(const std::map<std::string, std::string>& settings) const;
  // Starts the program with the console view, the site at `origin`, the layout's
  // temporary folder, and `extra_env` on top.
  std::unique_ptr<ProgramRun> Start(const std::string& origin,
                                    const std::vector<std::string>& args = {},
                                    const std::map<std::string, std::string>& extra_env = {},
                                    const std::string& output_name = "console.txt") const;
  // Starts it and waits for its end (exit code 0 expected).
  std::string RunToEnd(const std::string& origin, Milliseconds timeout = Milliseconds(60000));

  // Lines of the run log and of the master file as UTF-8, without line ends. Every line
  // of these files must end in CR LF; a test fails on a cut line.
  std::vector<std::string> LogLines() const;
  std::vector<std::string> MasterLines() const;
  std::string SavedCopy(std::string_view name) const;
  bool TempHas(std::string_view name) const;
  // The temporary folder without its trailing "/".
  std::string Temp() const;
  std::filesystem::path Host() const { return scratch_.Path() / "host"; }
  std::string Program() const;

 private:
  test::ScratchDir scratch_;
};

// The hand-written master-file lines of a first run over samples/site (or, with
// "edge.csv.utf8", samples/edge), with {ORIGIN} and {TEMP} filled in, keeping only the
// lines whose detail URL lies in one of `folders` ("/lnovel/", "/book/", ...); all when
// `folders` is empty.
std::vector<std::string> ExpectedMasterLines(std::string_view file, const std::string& origin,
                                             const std::string& temp,
                                             const std::vector<std::string>& folders = {});

// The run log's lines between the START block and the END line, checking that the log
// holds exactly `runs` complete runs; the plan lines of run `index` (0-based).
std::vector<std::string> PlanLines(const std::vector<std::string>& log, int index);

// Shift_JIS file content as UTF-8; false in `whole` when a line lacks its CR LF.
std::vector<std::string> Utf8Lines(const std::string& sjis_bytes, bool* whole = nullptr);

std::filesystem::path SourcePath(std::string_view relative);

}  // namespace kasumido::e2e
