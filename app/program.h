// The program's start-up, the same in every build: where the program lives, the random
// delay that spreads instances the host starts together, the single-instance lock (a
// second instance ends at once, silently), and the mode the command line asks for, which
// the build's front end then runs. The report of the peak memory at exit, when
// KASUMIDO_REPORT_MEMORY names a file, is written here too.
#pragma once

#include <functional>
#include <string>

#include "shell/form_dll.h"

namespace kasumido {

inline constexpr const char* kReportMemoryVariable = "KASUMIDO_REPORT_MEMORY";

struct ProgramModes {
  // One download run with the view the build chooses.
  std::function<void(const RunSetup& setup)> download;
  // The version dialog of the program `program_file`.
  std::function<void(const std::string& program_file)> version_dialog;
  // Optional: work either mode needs anyway and that shows and writes nothing (loading
  // what the windows will use), done while the start-up delay runs, so the delay covers
  // it. It must create no window: the instance may yet turn out to be a second one.
  std::function<void()> prepare;
};

// Pumps the event loop (inside the modes). Runs the program with `argv` (Shift_JIS; only
// the first argument counts) and returns when its mode has ended, or at once when
// another instance runs. What escapes a mode is written to standard error; the caller
// ends the process with exit code 0 in every case.
void RunProgram(int argc, const char* const* argv, const ProgramModes& modes) noexcept;

}  // namespace kasumido
