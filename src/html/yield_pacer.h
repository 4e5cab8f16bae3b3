// Keeps the user interface responsive during a long byte-crunching loop on the GUI
// thread: the loop reports the bytes it has handled, and the pacer calls the yield hook
// once at least `interval` has passed since the previous call (or since the pacer was
// made). The clock is read only every `check_bytes` bytes, so the cost per byte is one
// addition; the pacer never sleeps.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/event_loop.h"

namespace kasumido {

class YieldPacer {
 public:
  static constexpr Milliseconds kDefaultInterval{10};
  static constexpr size_t kDefaultCheckBytes = 4096;

  // An empty `yield` makes the pacer do nothing. `now` defaults to the steady clock.
  explicit YieldPacer(std::function<void()> yield, std::function<TimePoint()> now = {},
                      Milliseconds interval = kDefaultInterval,
                      size_t check_bytes = kDefaultCheckBytes);

  // Counts `bytes` more handled bytes; may call the yield hook.
  // Pumps the event loop (through the hook): handlers may run before this returns.
  void Advance(size_t bytes) {
    unchecked_bytes_ += bytes;
    if (unchecked_bytes_ >= check_bytes_) Check();
  }

  // Number of times the hook has been called.
  size_t Yields() const { return yields_; }

 private:
  void Check();

  std::function<void()> yield_;
  std::function<TimePoint()> now_;
  Milliseconds interval_;
  size_t check_bytes_;
  size_t unchecked_bytes_ = 0;
  size_t yields_ = 0;
  TimePoint last_yield_;
};

}  // namespace kasumido
