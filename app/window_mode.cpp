#include "app/window_mode.h"

#include <memory>

#include "about/about_content.h"
#include "platform/open_document.h"
#include "platform/qt/qt_event_loop.h"
#include "shell/run_handlers.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/download_window.h"
#include "ui/qt/window_application.h"

namespace kasumido {
namespace {

void OpenLink(const std::string& url) { OpenDocument(url, ""); }

// Ends the application's event loop when the run's call returns, however it returns.
class QuitWhenDone {
 public:
  QuitWhenDone() = default;
  ~QuitWhenDone() { WindowApplication::Quit(); }
  QuitWhenDone(const QuitWhenDone&) = delete;
  QuitWhenDone& operator=(const QuitWhenDone&) = delete;
};

}  // namespace

void ConnectDownloadWindow(DownloadWindow& window, TFormDLL& form) {
  ConnectRunHandlers(window, form);
  window.OnActivate = [&form] {
    // Switching away and back during the run activates the window again, nested inside
    // the run's waits: that must neither start a run nor end the loop.
    if (form.Activated()) return;
    const QuitWhenDone quit;
    form.FormActivate();
  };
  window.OnOpenLink = OpenLink;
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
