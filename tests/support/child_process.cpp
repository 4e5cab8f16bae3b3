// What a child process does the same on every platform: its start's bookkeeping and
// its waits, over Launch, Running and Kill.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/poll_until.h"
#include "support/scratch_dir.h"

namespace kasumido::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& output_file,
                           const std::map<std::string, std::string>& env) {
  Start(program, args, output_file, env);
}

void ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& output_file,
                         const std::map<std::string, std::string>& env) {
  Stop();
  program_ = program;
  output_ = output_file;
  pid_ = Launch(program, args, output_file, env);
  reaped_ = false;
  exit_code_ = -1;
}

int ChildProcess::Wait(Milliseconds timeout) {
  if (PollUntil([this] { return !Running(); }, Clock::now() + timeout)) return exit_code_;
  ADD_FAILURE() << program_ << " did not end in time; output:\n" << Output();
  Kill();
  return -1;
}

bool ChildProcess::WaitForOutput(std::string_view text, Milliseconds timeout) {
  PollUntil([&] { return Output().find(text) != std::string::npos || !Running(); },
            Clock::now() + timeout);
  return Output().find(text) != std::string::npos;
}

std::string ChildProcess::Output() const { return ReadFile(output_); }

}  // namespace kasumido::test
