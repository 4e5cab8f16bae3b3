// The child processes of the tests on Linux: fork and execve, signals, waitpid.
#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "support/poll_until.h"
#include "support/scratch_dir.h"

extern char** environ;

namespace kasumido::test {
namespace {

constexpr Milliseconds kStopGrace{5000};  // from SIGTERM to SIGKILL

// The environment of this process with `overrides` on top (an empty value unsets).
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (overrides.count(text.substr(0, text.find('='))) == 0) env.push_back(text);
  }
  for (const auto& [name, value] : overrides) {
    if (!value.empty()) env.push_back(name + "=" + value);
  }
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::intptr_t ChildProcess::Launch(const std::string& program, const std::vector<std::string>& args,
                                   const std::filesystem::path& output_file,
                                   const std::map<std::string, std::string>& env) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> envp = ChildEnvironment(env);
  std::vector<char*> arg_pointers = Pointers(argv);
  std::vector<char*> env_pointers = Pointers(envp);
  const int output = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (output < 0 || input < 0) {
    if (output >= 0) ::close(output);
    if (input >= 0) ::close(input);
    throw std::runtime_error("cannot open " + output_file.string());
  }
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
    ::execve(arg_pointers[0], arg_pointers.data(), env_pointers.data());
    ::_exit(127);
  }
  ::close(output);
  ::close(input);
  if (pid < 0) throw std::runtime_error("fork failed for " + program);
  return pid;
}

bool ChildProcess::Running() {
  if (pid_ < 0 || reaped_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  Reaped(status);
  return false;
}

void ChildProcess::Signal(int signal_number) {
  if (Running()) ::kill(pid_, signal_number);
}

int ChildProcess::Stop() {
  if (!Running()) return exit_code_;
  ::kill(pid_, SIGTERM);
  if (!PollUntil([this] { return !Running(); }, Clock::now() + kStopGrace)) Kill();
  return exit_code_;
}

void ChildProcess::Kill() {
  if (!Running()) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  Reaped(status);
}

void ChildProcess::Reaped(int status) {
  reaped_ = true;
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kasumido::test
