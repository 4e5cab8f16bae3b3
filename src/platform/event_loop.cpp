#include "platform/event_loop.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace kasumido {

CallQueue::CallQueue(EventLoop& loop) : loop_(loop), id_(loop.next_queue_id_++) {
  loop_.live_queues_.insert(id_);
}

CallQueue::~CallQueue() { loop_.live_queues_.erase(id_); }

void CallQueue::Post(std::function<void()> call) {
  // The id is never reused, so a call queued by a queue that is gone finds no entry
  // and is dropped, even when a new queue lives at the same address.
  loop_.Post([loop = &loop_, id = id_, call = std::move(call)] {
    if (loop->live_queues_.count(id) != 0) call();
  });
}

void EventLoop::RunGuarded(const std::function<void()>& call) noexcept {
  try {
    call();
  } catch (const std::exception& error) {
    ReportException(error);
  } catch (...) {
    ReportException(std::runtime_error("unknown exception"));
  }
}

void EventLoop::ReportException(const std::exception& error) noexcept {
  if (OnUnhandledException) {
    try {
      // A copy, so that a handler which replaces itself keeps running safely.
      const auto handler = OnUnhandledException;
      handler(error);
      return;
    } catch (...) {
      // The handler failed too: fall back to standard error below.
    }
  }
  std::fprintf(stderr, "kasumido: unhandled exception: %s\n", error.what());
}

}  // namespace kasumido
