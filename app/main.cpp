// The program: one download run, or the version dialog with "/c", each in a window or on
// the console. Start-up waits a random moment, takes the single-instance lock (a second
// instance ends at once, silently), then runs the mode the command line asks for with
// the view the environment allows. The exit code is 0 in every case.
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "about/about_content.h"
#include "app/window_mode.h"
#include "kasumido/texts.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/utf8.h"
#include "shell/environment.h"
#include "shell/form_dll.h"
#include "shell/run_handlers.h"
#include "shell/startup.h"
#include "text/paths.h"
#include "ui/console/console_view.h"

namespace kasumido {
namespace {

// The terminal's standard streams, by their fixed numbers.
constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;

void WaitRandomStartDelay() {
  const Milliseconds delay = RandomStartDelay();
  if (!GetEnvValue(kReportStartDelayVariable).empty()) {
    std::fprintf(stderr, "kasumido: start-up delay %lld ms\n",
                 static_cast<long long>(delay.count()));
  }
  std::this_thread::sleep_for(delay);
}

void ShowVersionText(const std::string& program_file) {
  const std::string text = Utf8FromSjis(VersionDialogText(ReadAboutContent(program_file)));
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// The download run with the console view: the run is the activation of the view, which
// the console gives at once; the run closes the view when it ends.
void RunInConsole(int& argc, char** argv, const RunSetup& setup) {
  const ConsoleApplication application(argc, argv, texts::kProductName);
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  ConsoleView view(*loop, kStandardOutput, kStandardInput);
  TFormDLL form(*loop, view, setup);
  ConnectRunHandlers(view, form);
  view.Start();
  form.FormActivate();
}

// The one place where the view is chosen: the window where one can be seen (or is
// asked for), else the console; the same run controller underneath.
void RunDownload(int& argc, char** argv, const RunSetup& setup) {
  switch (ChooseViewKind()) {
    case ViewKind::kConsole:
      RunInConsole(argc, argv, setup);
      return;
    case ViewKind::kWindow:
      RunDownloadInWindow(argc, argv, setup);
      return;
  }
}

void ShowVersion(int& argc, char** argv, const std::string& program_file) {
  switch (ChooseViewKind()) {
    case ViewKind::kConsole:
      ShowVersionText(program_file);
      return;
    case ViewKind::kWindow:
      ShowVersionDialogWindow(argc, argv, program_file);
      return;
  }
}

void Main(int& argc, char** argv) {
  RunSetup setup;
  setup.program_file = ProgramFile();
  setup.program_dir = FolderOf(setup.program_file);
  setup.site_origin = SiteOriginFromEnvironment();
  setup.temp_folder = TempFolder();

  WaitRandomStartDelay();
  InstanceLock lock;
  if (lock.AcquireFor(JoinPath(setup.program_dir, ".."), setup.temp_folder) !=
      LockOutcome::kAcquired) {
    return;  // another instance runs: end silently
  }
  if (ChooseStartMode(argc, argv) == StartMode::kVersionDialog) {
    ShowVersion(argc, argv, setup.program_file);
  } else {
    RunDownload(argc, argv, setup);
  }
}

}  // namespace
}  // namespace kasumido

int main(int argc, char** argv) {
  try {
    kasumido::Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kasumido: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "kasumido: unknown failure\n");
  }
  return 0;
}
