#include "app/window_mode.h"

#include <memory>

#include "about/about_content.h"
#include "app/window_wiring.h"
#include "platform/qt/qt_event_loop.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/download_window.h"
#include "ui/qt/window_application.h"

namespace kasumido {

void ConnectDownloadWindow(DownloadWindow& window, TFormDLL& form) {
  ConnectWindowToRun<WindowApplication>(window, form);
}

void RunDownloadInWindow(int& argc, char** argv, const RunSetup& setup) {
  WindowApplication application(argc, argv);
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  DownloadWindow window(setup.program_dir, setup.program_file);
  // Destroyed before the window, without a pump in between: its run log writes the END
  // line as it goes.
  TFormDLL form(*loop, window, setup);
  ConnectDownloadWindow(window, form);
  window.show();
  application.Exec();
}

void ShowVersionDialogWindow(int& argc, char** argv, const std::string& program_file) {
  WindowApplication application(argc, argv);
  AboutDialog dialog(ReadAboutContent(program_file), AboutRole::kMainWindow);
  dialog.OnOpenLink = OpenLink;
  dialog.show();
  application.Exec();
}

}  // namespace kasumido
