// The wiring of a download window to the run controller, the same for every front end
// with windows: each button, the close box and SpeedButtonURL go to the handler of the
// same name, the window's unhandled exceptions to AppException, and the version
// dialog's links to OpenDocument. The first activation runs the whole download
// (FormActivate) and then ends the application's message loop, also when an exception
// escapes the run; later activations, which arrive nested inside the run or after it,
// return at once.
#pragma once

#include <string>

#include "platform/open_document.h"
#include "shell/form_dll.h"
#include "shell/run_handlers.h"

namespace kasumido {

// Ends the application's message loop when the run's call returns, however it returns.
template <typename Application>
class QuitWhenDone {
 public:
  QuitWhenDone() = default;
  ~QuitWhenDone() { Application::Quit(); }
  QuitWhenDone(const QuitWhenDone&) = delete;
  QuitWhenDone& operator=(const QuitWhenDone&) = delete;
};

inline void OpenLink(const std::string& url) { OpenDocument(url, ""); }

// REQUIRES: `form` outlives the window's use of its hooks.
template <typename Application, typename Window>
void ConnectWindowToRun(Window& window, TFormDLL& form) {
  ConnectRunHandlers(window, form);
  window.OnActivate = [&form] {
    // Switching away and back during the run activates the window again, nested inside
    // the run's waits: that must neither start a run nor end the loop.
    if (form.Activated()) return;
    const QuitWhenDone<Application> quit;
    form.FormActivate();
  };
  window.OnOpenLink = OpenLink;
}

}  // namespace kasumido
