#include "app/window_mode.h"

#include <memory>

#include "about/about_content.h"
#include "app/window_wiring.h"
#include "platform/win32/win32_event_loop.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/download_window.h"
#include "ui/win32/window_application.h"

namespace kasumido {

void ConnectDownloadWindow(DownloadWindow& window, TFormDLL& form) {
  ConnectWindowToRun<WindowApplication>(window, form);
}

void RunDownloadInWindow(int&, char**, const RunSetup& setup) {
  WindowApplication application;
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  DownloadWindow window(*loop, setup.program_dir, setup.program_file);
  // Destroyed before the window, without a pump in between: its run log writes the END
  // line as it goes.
  TFormDLL form(*loop, window, setup);
  ConnectDownloadWindow(window, form);
  window.Show();
  application.Exec(*loop);
}

void ShowVersionDialogWindow(int&, char**, const std::string& program_file) {
  WindowApplication application;
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  AboutDialog dialog(ReadAboutContent(program_file), AboutRole::kMainWindow);
  dialog.OnOpenLink = OpenLink;
  dialog.Show();
  application.Exec(*loop);
}

}  // namespace kasumido
