// The program: one download run, or the version text with "/c". Start-up waits a random
// moment, takes the single-instance lock (a second instance ends at once, silently), then
// runs the mode the command line asks for. The exit code is 0 in every case.
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

#include "about/about_content.h"
#include "kasumido/texts.h"
#include "platform/posix/instance_lock.h"
#include "platform/qt/qt_event_loop.h"
#include "shell/console_text.h"
#include "shell/console_view.h"
#include "shell/form_dll.h"
#include "shell/run_handlers.h"
#include "shell/startup.h"
#include "text/environment.h"

namespace kasumido {
namespace {

void SetApplicationTitle() {
  QCoreApplication::setApplicationName(QString::fromStdString(Utf8FromSjis(texts::kProductName)));
}

void WaitRandomStartDelay() {
  const Milliseconds delay = RandomStartDelay();
  const char* report = std::getenv(kReportStartDelayVariable);
  if (report != nullptr && *report != '\0') {
    std::fprintf(stderr, "kasumido: start-up delay %lld ms\n",
                 static_cast<long long>(delay.count()));
  }
  std::this_thread::sleep_for(delay);
}

int ShowVersionText(const std::string& program_file) {
  const std::string text = Utf8FromSjis(VersionDialogText(ReadAboutContent(program_file)));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

// The download run with the console view: the run is the activation of the view, which
// the console gives at once; the run closes the view when it ends.
int RunInConsole(int argc, char** argv, const RunSetup& setup) {
  QCoreApplication application(argc, argv);
  SetApplicationTitle();
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  ConsoleView view(*loop, STDOUT_FILENO, STDIN_FILENO);
  TFormDLL form(*loop, view, setup);
  ConnectRunHandlers(view, form);
  view.Start();
  form.FormActivate();
  return 0;
}

// The one place where the view of a download run is chosen. This build has the console
// view; a display-capable choice runs on the console too.
int RunDownload(int argc, char** argv, const RunSetup& setup) {
  switch (ChooseViewKind()) {
    case ViewKind::kConsole:
    case ViewKind::kWindow:
      return RunInConsole(argc, argv, setup);
  }
  return 0;
}

int Main(int argc, char** argv) {
  RunSetup setup;
  setup.program_file = ProgramFile();
  setup.program_dir = FolderOf(setup.program_file);
  setup.site_origin = SiteOriginFromEnvironment();
  setup.temp_folder = TempFolder();

  WaitRandomStartDelay();
  InstanceLock lock;
  if (lock.AcquireFor(setup.program_dir + "/..", setup.temp_folder) != LockOutcome::kAcquired) {
    return 0;  // another instance runs: end silently
  }
  if (ChooseStartMode(argc, argv) == StartMode::kVersionDialog) {
    return ShowVersionText(setup.program_file);
  }
  return RunDownload(argc, argv, setup);
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
