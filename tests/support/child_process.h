// A program started by a test as a child process: the program under test, a tool, or a
// real peer. Standard input is /dev/null (NUL); standard output and error go into one
// file. The child gets this process's environment with chosen variables set or unset,
// and the default handling of every signal. On Linux it dies with the thread that
// started it, so with the test process too; an object that goes while its child still
// runs kills (SIGKILL; on Windows TerminateProcess) and reaps it. On Windows a signal
// (Signal, Stop) ends the child at once, with exit code 1.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kasumido::test {

class ChildProcess {
 public:
  ChildProcess() = default;
  // Starts the child at once (see Start).
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::filesystem::path& output_file,
               const std::map<std::string, std::string>& env = {});
  ~ChildProcess() { Kill(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` (a full path) with `args`, output into `output_file` (truncated).
  // `env` sets variables on top of this process's environment; an empty value unsets
  // one. A child still running from an earlier Start is stopped first. Throws
  // std::runtime_error when the child cannot be started.
  void Start(const std::string& program, const std::vector<std::string>& args,
             const std::filesystem::path& output_file,
             const std::map<std::string, std::string>& env = {});

  // True while the child has not exited (reaps it when it has).
  bool Running();
  // Waits for the end: the exit code, or -1 when the child ended by a signal. A child
  // still running when `timeout` passes is killed, the test fails (showing the output)
  // and the answer is -1.
  int Wait(std::chrono::milliseconds timeout);
  // Waits until the output holds `text`; false after `timeout`, or when the child ended
  // without it.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds timeout);
  void Signal(int signal_number);
  // SIGTERM, up to a few seconds for the end, then SIGKILL; always reaps. The exit code,
  // or -1 when the child ended by a signal or never ran. Idempotent.
  int Stop();
  // Everything the child wrote so far.
  std::string Output() const;

 private:
  // Starts the child (see Start): its process id, on Windows its process handle.
  static std::intptr_t Launch(const std::string& program, const std::vector<std::string>& args,
                              const std::filesystem::path& output_file,
                              const std::map<std::string, std::string>& env);
  // SIGKILL and reap, when the child still runs.
  void Kill();
  void Reaped(int status);

  std::string program_;
  std::filesystem::path output_;
  std::intptr_t pid_ = -1;  // the process id; on Windows the process handle
  bool reaped_ = false;
  int exit_code_ = -1;
};

}  // namespace kasumido::test
