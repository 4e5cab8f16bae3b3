// What every event-loop back end does around the callback of a timer, notifier or
// lookup: run it through the loop's exception guard, never nested inside itself, and
// survive the handle being destroyed by its own callback.
#pragma once

#include <functional>

#include "platform/event_loop.h"

namespace kasumido {

class CallbackRunner {
 public:
  CallbackRunner() = default;
  ~CallbackRunner() {
    if (alive_ != nullptr) *alive_ = false;
  }
  CallbackRunner(const CallbackRunner&) = delete;
  CallbackRunner& operator=(const CallbackRunner&) = delete;

  // `call` is the caller's own copy of the callback, so it outlives the handle. Answers
  // false when the handle was destroyed inside the callback.
  bool Run(EventLoop& loop, const std::function<void()>& call) {
    if (running_ || !call) return true;
    bool alive = true;
    alive_ = &alive;
    running_ = true;
    loop.RunGuarded(call);
    if (!alive) return false;  // destroyed inside the callback: touch nothing
    alive_ = nullptr;
    running_ = false;
    return true;
  }

  bool Running() const { return running_; }

 private:
  bool* alive_ = nullptr;
  bool running_ = false;
};

}  // namespace kasumido
