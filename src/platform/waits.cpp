#include "platform/waits.h"

#include <algorithm>
#include <cmath>

namespace kasumido {
namespace {

constexpr double kLongestWaitMinutes = 365.0 * 24 * 60;

// How long to block now: what is left until `until`, at least 1 ms. The loop wakes for
// every event before that, so a wait that ends at a set moment needs no slices.
Milliseconds BlockFor(TimePoint now, TimePoint until) {
  return std::max(std::chrono::ceil<Milliseconds>(until - now), Milliseconds(1));
}

// The same, at most a slice: the passes of WaitMinutes.
Milliseconds SliceFor(TimePoint now, TimePoint until) {
  return std::min(BlockFor(now, until), kWaitSlice);
}

}  // namespace

bool PumpUntil(EventLoop& loop, const std::function<bool()>& done, TimePoint deadline) {
  while (!done()) {
    const TimePoint now = loop.Now();
    if (now >= deadline) return false;
    loop.WaitForEvents(BlockFor(now, deadline));
  }
  return true;
}

void PumpUntil(EventLoop& loop, const std::function<bool()>& done) {
  while (!done()) loop.WaitForEvents(kWaitSlice);
}

void PumpFor(EventLoop& loop, Milliseconds duration) {
  const TimePoint until = loop.Now() + duration;
  loop.ProcessPendingEvents();
  for (TimePoint now = loop.Now(); now < until; now = loop.Now()) {
    loop.WaitForEvents(BlockFor(now, until));
  }
}

void YieldToUI(EventLoop& loop) { loop.ProcessPendingEvents(); }

void WaitMinutes(EventLoop& loop, double minutes) {
  if (!(minutes > 0)) return;  // also NaN
  const double milliseconds = std::min(minutes, kLongestWaitMinutes) * 60'000.0;
  const TimePoint until = loop.Now() + Milliseconds(std::llround(milliseconds));
  for (TimePoint now = loop.Now(); now < until; now = loop.Now()) {
    loop.WaitForEvents(SliceFor(now, until));
  }
}

std::optional<InputFile> ResetWithRetry(EventLoop& loop, const std::string& path, int n) {
  for (int attempt = 0;; ++attempt) {
    if (std::optional<InputFile> file = InputFile::OpenShared(path)) return file;
    if (attempt >= n) return std::nullopt;
    WaitMinutes(loop, 1);
  }
}

}  // namespace kasumido
