// Waiting for something outside any event loop: a file, a child process, a server thread.
// A test that waits on a kasumido EventLoop uses PumpUntil (platform/event_loop.h) instead.
#pragma once

#include <functional>

#include "platform/event_loop.h"

namespace kasumido::test {

// Checks done() every few milliseconds, sleeping in between, until it holds (true) or
// `deadline` on the steady clock has passed (false). done() is checked once more at the
// deadline, so a condition that holds by then is never missed.
bool PollUntil(const std::function<bool()>& done, TimePoint deadline);

}  // namespace kasumido::test
