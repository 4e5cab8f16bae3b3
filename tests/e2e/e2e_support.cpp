#include "e2e/e2e_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/encoding.h"

extern char** environ;

namespace kasumido::e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Milliseconds kPoll{20};

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The environment of this process with `overrides` on top (an empty value unsets).
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (overrides.count(name) == 0) env.push_back(text);
  }
  for (const auto& [name, value] : overrides) {
    if (!value.empty()) env.push_back(name + "=" + value);
  }
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::filesystem::path SourcePath(std::string_view relative) {
  return std::filesystem::path(KASUMIDO_SOURCE_DIR) / relative;
}

// ---- ProgramRun ---------------------------------------------------------------------

ProgramRun::ProgramRun(const std::string& program, const std::vector<std::string>& args,
                       const std::map<std::string, std::string>& env, std::filesystem::path output)
    : output_(std::move(output)) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> envp = ChildEnvironment(env);
  std::vector<char*> arg_pointers = Pointers(argv);
  std::vector<char*> env_pointers = Pointers(envp);
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(input, 0);
    dup2(out, 1);
    dup2(out, 2);
    execve(program.c_str(), arg_pointers.data(), env_pointers.data());
    _exit(127);
  }
  close(input);
  close(out);
  if (pid_ < 0) ADD_FAILURE() << "cannot start " << program;
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int ProgramRun::Wait(Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!reaped_) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (Clock::now() > deadline) {
      ADD_FAILURE() << "the program did not end in time; output:\n" << Output();
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      reaped_ = true;
      return -1;
    }
    std::this_thread::sleep_for(kPoll);
  }
  return exit_code_;
}

bool ProgramRun::WaitForOutput(std::string_view text, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (Output().find(text) != std::string::npos) return true;
    if (Clock::now() > deadline) return false;
    siginfo_t info{};
    if (!reaped_ &&
        waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_) {
      return Output().find(text) != std::string::npos;  // ended without it
    }
    std::this_thread::sleep_for(kPoll);
  }
}

void ProgramRun::Signal(int signal_number) {
  if (!reaped_) kill(pid_, signal_number);
}

std::string ProgramRun::Output() const { return test::ReadFile(output_); }

// ---- SiteServer ---------------------------------------------------------------------

SiteServer::SiteServer(const std::filesystem::path& root) {
  const std::string program = std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido-site-server";
  process_.Start(program,
                 {"--root", root.string(), "--port", "0", "--request-log", dir_.File("requests")},
                 dir_.Path() / "output");
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (port_ == 0 && Clock::now() < deadline) {
    const std::string output = test::ReadFile(dir_.Path() / "output");
    const std::size_t at = output.find("127.0.0.1:");
    if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
      port_ = static_cast<std::uint16_t>(std::stoi(output.substr(at + 10)));
    } else {
      std::this_thread::sleep_for(kPoll);
    }
  }
  if (port_ == 0) ADD_FAILURE() << "the site server did not start";
}

SiteServer::~SiteServer() { process_.Stop(); }

std::string SiteServer::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> SiteServer::Requests() const {
  std::vector<std::string> requests;
  std::istringstream in(test::ReadFile(dir_.Path() / "requests"));
  for (std::string line; std::getline(in, line);) requests.push_back(line);
  return requests;
}

// ---- MiniSite -----------------------------------------------------------------------

MiniSite::MiniSite() {
  const std::filesystem::path site = SourcePath("samples/site");
  for (const char* folder : {"lnovel", "book", "bunko", "comic"}) {
    std::filesystem::create_directories(dir_.Path() / folder);
    std::filesystem::copy(site / folder / "detail", dir_.Path() / folder / "detail",
                          std::filesystem::copy_options::recursive);
  }
  std::filesystem::copy(site / "image", dir_.Path() / "image",
                        std::filesystem::copy_options::recursive);
}

void MiniSite::Listing(std::string_view path, const std::vector<std::string>& links) {
  std::string page = "<html>\n<body>\n<h1>listing " + std::string(path) + "</h1>\n";
  for (const std::string& link : links) page += "<A HREF=\"" + link + "\">book</A><br>\n";
  page += "</body>\n</html>\n";
  dir_.Write(std::string(path.substr(1)), page);
}

// ---- HostLayout ---------------------------------------------------------------------

HostLayout::HostLayout() {
  std::filesystem::create_directories(scratch_.Path() / "host" / "plugin");
  std::filesystem::create_directories(scratch_.Path() / "temp");
  // Copied, not linked: the program finds the host's files relative to its own folder.
  std::filesystem::copy_file(std::string(KASUMIDO_BINARY_DIR) + "/bin/kasumido", Program());
}

std::string HostLayout::Program() const { return scratch_.File("host/plugin/kasumido"); }

std::string HostLayout::Temp() const { return scratch_.File("temp"); }

void HostLayout::WriteSettings(const std::map<std::string, std::string>& settings) const {
  std::string ini = "[TSetup]\r\n";
  for (const auto& [key, value] : settings) ini += key + "=" + value + "\r\n";
  // Written whole and renamed, as the host replaces its file: a run reading it meanwhile
  // never sees half a file.
  scratch_.Write("host/Shelvio.ini.new", ini);
  std::filesystem::rename(scratch_.Path() / "host" / "Shelvio.ini.new",
                          scratch_.Path() / "host" / "Shelvio.ini");
}

std::unique_ptr<ProgramRun> HostLayout::Start(const std::string& origin,
                                              const std::vector<std::string>& args,
                                              const std::map<std::string, std::string>& extra_env,
                                              const std::string& output_name) const {
  std::map<std::string, std::string> env = {{"KASUMIDO_UI", "console"},
                                            {"KASUMIDO_SITE_ORIGIN", origin},
                                            {"TEMP", Temp()},
                                            {"http_proxy", ""},
                                            {"HTTP_PROXY", ""}};
  for (const auto& [name, value] : extra_env) env[name] = value;
  return std::make_unique<ProgramRun>(Program(), args, env, scratch_.Path() / output_name);
}

std::string HostLayout::RunToEnd(const std::string& origin, Milliseconds timeout) {
  const std::unique_ptr<ProgramRun> run = Start(origin);
  EXPECT_EQ(run->Wait(timeout), 0);
  return run->Output();
}

std::vector<std::string> HostLayout::LogLines() const {
  bool whole = true;
  std::vector<std::string> lines = Utf8Lines(scratch_.Read("host/Shelvio.log"), &whole);
  EXPECT_TRUE(whole) << "the run log ends in a cut line";
  return lines;
}

std::vector<std::string> HostLayout::MasterLines() const {
  bool whole = true;
  std::vector<std::string> lines = Utf8Lines(scratch_.Read("host/ShelvioMas.csv"), &whole);
  EXPECT_TRUE(whole) << "the master file ends in a cut line";
  return lines;
}

std::string HostLayout::SavedCopy(std::string_view name) const {
  return scratch_.Read("host/old/" + std::string(name));
}

bool HostLayout::TempHas(std::string_view name) const {
  return std::filesystem::exists(scratch_.Path() / "temp" / name);
}

// ---- Expectations -------------------------------------------------------------------

std::vector<std::string> Utf8Lines(const std::string& sjis_bytes, bool* whole) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < sjis_bytes.size()) {
    const std::size_t end = sjis_bytes.find("\r\n", start);
    if (end == std::string::npos) {
      if (whole) *whole = false;
      lines.push_back(test::Utf8FromSjis(sjis_bytes.substr(start)));
      break;
    }
    lines.push_back(test::Utf8FromSjis(sjis_bytes.substr(start, end - start)));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> ExpectedMasterLines(std::string_view file, const std::string& origin,
                                             const std::string& temp,
                                             const std::vector<std::string>& folders) {
  std::vector<std::string> lines;
  std::istringstream in(test::ReadFile(SourcePath("samples/expected") / file));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    bool wanted = folders.empty();
    for (const std::string& folder : folders) {
      if (line.find("\"{ORIGIN}" + folder) != std::string::npos) wanted = true;
    }
    if (wanted) lines.push_back(ReplaceAll(ReplaceAll(line, "{ORIGIN}", origin), "{TEMP}", temp));
  }
  return lines;
}

std::vector<std::string> PlanLines(const std::vector<std::string>& log, int index) {
  int run = -1;
  std::vector<std::string> lines;
  for (const std::string& line : log) {
    if (line.rfind("--- START ---\t", 0) == 0) {
      ++run;
      continue;
    }
    if (run != index || line.rfind("Version ", 0) == 0) continue;
    if (line.rfind("--- END ---\t", 0) == 0) {
      lines.push_back("END");
      break;
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace kasumido::e2e
