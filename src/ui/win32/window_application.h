// The application object of the Windows program: the common controls set up, and the
// message loop of the main window. The loop is the program's one event loop: the
// windows' messages, timers, sockets and posted calls are all served by it, and Exec
// runs it until Quit. Quit only asks: a run that quits from inside one of its waits
// ends that wait first, and Exec returns after the outermost handler has returned.
#pragma once

#include "platform/event_loop.h"

namespace kasumido {

class WindowApplication {
 public:
  WindowApplication();
  WindowApplication(const WindowApplication&) = delete;
  WindowApplication& operator=(const WindowApplication&) = delete;

  // Pumps the event loop until Quit has been called (at once when it was called already).
  void Exec(EventLoop& loop);
  // Ends Exec once the current handler has returned.
  static void Quit();
  static bool QuitRequested();
};

}  // namespace kasumido
