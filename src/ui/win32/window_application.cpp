#include "ui/win32/window_application.h"

#include "ui/win32/win32_controls.h"

namespace kasumido {
namespace {

// One message loop per process, on its one thread.
bool quit_requested = false;

// How long one wait of the loop may block before Exec looks at the request again; a
// request made from a handler is seen as soon as that handler returns.
constexpr Milliseconds kLongestWait{1000};

}  // namespace

WindowApplication::WindowApplication() {
  quit_requested = false;
  EnsureCommonControls();
}

void WindowApplication::Exec(EventLoop& loop) {
  while (!quit_requested) loop.WaitForEvents(kLongestWait);
}

void WindowApplication::Quit() { quit_requested = true; }

bool WindowApplication::QuitRequested() { return quit_requested; }

}  // namespace kasumido
