#include "html/yield_pacer.h"

#include <utility>

namespace kasumido {

YieldPacer::YieldPacer(std::function<void()> yield, std::function<TimePoint()> now,
                       Milliseconds interval, size_t check_bytes)
    : yield_(std::move(yield)),
      now_(now ? std::move(now) : [] { return Clock::now(); }),
      interval_(interval),
      check_bytes_(check_bytes == 0 ? 1 : check_bytes),
      last_yield_(yield_ ? now_() : TimePoint{}) {
  // Without a hook the clock is never needed: make the byte count never reach a check.
  if (!yield_) check_bytes_ = static_cast<size_t>(-1);
}

void YieldPacer::Check() {
  unchecked_bytes_ = 0;
  const TimePoint now = now_();
  if (now - last_yield_ < interval_) return;
  ++yields_;
  yield_();
  // Measured after the hook: time spent inside it does not count as work.
  last_yield_ = now_();
}

}  // namespace kasumido
