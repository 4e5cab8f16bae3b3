// The event loop of the Linux build, over Qt 6 Core: waits block in the toolkit's own
// dispatcher (no nested exec()), timers are QTimers, socket readiness comes from
// QSocketNotifier, host names are resolved by QHostInfo. Posted calls wait in the loop's
// own queue, run by one zero-interval timer per burst. Idle waiting costs no CPU.
#pragma once

#include <memory>

#include "platform/event_loop.h"

namespace kasumido {

// The program's event loop.
// REQUIRES: a QCoreApplication (or QApplication) exists before the call and outlives the
// loop and every handle made from it; everything is used from the thread that created
// the application object.
std::unique_ptr<EventLoop> MakeEventLoop();

}  // namespace kasumido
