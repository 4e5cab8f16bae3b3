#include "platform/qt/views/window_mode.h"

#include <QApplication>
#include <memory>

#include "about/about_content.h"
#include "kasumido/texts.h"
#include "platform/posix/open_document.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/views/about_dialog.h"
#include "platform/qt/views/download_window.h"
#include "platform/qt/views/main_icon.h"
#include "platform/qt/views/qt_text.h"
#include "shell/run_handlers.h"

namespace kasumido {
namespace {

void OpenLink(const std::string& url) { OpenDocument(url, ""); }

// Ends the application's event loop when the run's call returns, however it returns.
class QuitWhenDone {
 public:
  QuitWhenDone() = default;
  ~QuitWhenDone() { QCoreApplication::quit(); }
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

void SetUpWindowApplication() {
  QCoreApplication::setApplicationName(QStringFromSjis(texts::kProductName));
  QApplication::setWindowIcon(MainIcon());
  QApplication::setQuitOnLastWindowClosed(false);
}

void RunDownloadInWindow(int& argc, char** argv, const RunSetup& setup) {
  QApplication application(argc, argv);
  SetUpWindowApplication();
  const std::unique_ptr<EventLoop> loop = MakeEventLoop();
  DownloadWindow window(setup.program_dir, setup.program_file);
  // Destroyed before the window, without a pump in between: its run log writes the END
  // line as it goes.
  TFormDLL form(*loop, window, setup);
  ConnectDownloadWindow(window, form);
  window.show();
  QApplication::exec();
}

void ShowVersionDialogWindow(int& argc, char** argv, const std::string& program_file) {
  QApplication application(argc, argv);
  SetUpWindowApplication();
  AboutDialog dialog(ReadAboutContent(program_file), AboutRole::kMainWindow);
  dialog.OnOpenLink = OpenLink;
  dialog.show();
  QApplication::exec();
}

}  // namespace kasumido
