// The program on Linux: one download run, or the version dialog with "/c", each in a
// window or on the console, as the environment allows. The exit code is 0 in every case.
#include <cstdio>
#include <memory>
#include <string>

#include "about/about_content.h"
#include "app/program.h"
#include "app/window_mode.h"
#include "kasumido/texts.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/utf8.h"
#include "shell/run_handlers.h"
#include "shell/startup.h"
#include "ui/console/console_view.h"

namespace kasumido {
namespace {

// The terminal's standard streams, by their fixed numbers.
constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;

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

}  // namespace
}  // namespace kasumido

int main(int argc, char** argv) {
  using namespace kasumido;
  // The one place where the view is chosen: the window where one can be seen (or is
  // asked for), else the console; the same run controller underneath.
  ProgramModes modes;
  modes.download = [&argc, argv](const RunSetup& setup) {
    if (ChooseViewKind() == ViewKind::kConsole) {
      RunInConsole(argc, argv, setup);
    } else {
      RunDownloadInWindow(argc, argv, setup);
    }
  };
  modes.version_dialog = [&argc, argv](const std::string& program_file) {
    if (ChooseViewKind() == ViewKind::kConsole) {
      ShowVersionText(program_file);
    } else {
      ShowVersionDialogWindow(argc, argv, program_file);
    }
  };
  RunProgram(argc, argv, modes);
  return 0;
}
