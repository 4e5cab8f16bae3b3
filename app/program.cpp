#include "app/program.h"

#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "platform/process_memory.h"
#include "shell/environment.h"
#include "shell/startup.h"
#include "text/paths.h"

namespace kasumido {
namespace {

// The delay ends when it is due, whatever `prepare` did meanwhile (or when `prepare` is
// done, should it take longer).
void WaitRandomStartDelay(const std::function<void()>& prepare) {
  const Milliseconds delay = RandomStartDelay();
  const TimePoint due = Clock::now() + delay;
  if (!GetEnvValue(kReportStartDelayVariable).empty()) {
    std::fprintf(stderr, "kasumido: start-up delay %lld ms\n",
                 static_cast<long long>(delay.count()));
  }
  if (prepare) prepare();
  std::this_thread::sleep_until(due);
}

// One line "peak working set: N KiB" appended to the file KASUMIDO_REPORT_MEMORY names.
void ReportPeakMemory() {
  const std::string report_file = GetEnvValue(kReportMemoryVariable);
  if (report_file.empty()) return;
  const std::optional<std::uint64_t> peak = PeakWorkingSetBytes();
  if (!peak) return;
  std::string error;
  std::optional<OutputFile> file = OutputFile::Open(report_file, OutputMode::kAppend, error);
  if (!file) return;
  const std::string line = "peak working set: " + std::to_string((*peak + 1023) / 1024) + " KiB\n";
  (void)file->Write(line, error);
  (void)file->Close(error);
}

void Run(int argc, const char* const* argv, const ProgramModes& modes) {
  RunSetup setup;
  setup.program_file = ProgramFile();
  setup.program_dir = FolderOf(setup.program_file);
  setup.site_origin = SiteOriginFromEnvironment();
  setup.temp_folder = TempFolder();
  setup.document_deadline = DocumentDeadlineFromEnvironment(kDocumentDeadline);

  WaitRandomStartDelay(modes.prepare);
  InstanceLock lock;
  if (lock.AcquireFor(JoinPath(setup.program_dir, ".."), setup.temp_folder) !=
      LockOutcome::kAcquired) {
    return;  // another instance runs: end silently
  }
  if (ChooseStartMode(argc, argv) == StartMode::kVersionDialog) {
    modes.version_dialog(setup.program_file);
  } else {
    modes.download(setup);
  }
}

}  // namespace

void RunProgram(int argc, const char* const* argv, const ProgramModes& modes) noexcept {
  try {
    Run(argc, argv, modes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kasumido: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "kasumido: unknown failure\n");
  }
  ReportPeakMemory();
}

}  // namespace kasumido
