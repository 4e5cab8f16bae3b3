// What a child process offers on every platform, over Running and Kill.
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
