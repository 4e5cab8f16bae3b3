#include "platform/event_loop.h"

#include <algorithm>

namespace kasumido {

bool PumpUntil(EventLoop& loop, const std::function<bool()>& done, TimePoint deadline) {
  while (!done()) {
    const TimePoint now = loop.Now();
    if (now >= deadline) return false;
    loop.WaitForEvents(
        std::max(Milliseconds(1), std::chrono::ceil<Milliseconds>(deadline - now)));
  }
  return true;
}

void PumpFor(EventLoop& loop, Milliseconds duration) {
  const TimePoint deadline = loop.Now() + duration;
  loop.ProcessPendingEvents();
  for (TimePoint now = loop.Now(); now < deadline; now = loop.Now()) {
    loop.WaitForEvents(std::max(Milliseconds(1), std::chrono::ceil<Milliseconds>(deadline - now)));
  }
}

}  // namespace kasumido
