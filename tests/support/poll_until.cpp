#include "support/poll_until.h"

#include <algorithm>
#include <thread>

namespace kasumido::test {

bool PollUntil(const std::function<bool()>& done, TimePoint deadline) {
  constexpr Milliseconds kInterval{10};
  for (;;) {
    if (done()) return true;
    const TimePoint now = Clock::now();
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(kInterval, deadline - now));
  }
}

}  // namespace kasumido::test
