// The program's one event loop, seen through its own small interface. Everything runs
// on one thread: waits pump this loop, so timers, socket notifications, host lookups and
// window events are handled nested inside whatever call is waiting (platform/waits.h).
// The Qt back end lives in src/platform/qt; tests use the deterministic loop of
// tests/support.
//
// Every callback the loop runs (timer, notifier, lookup, posted call) runs through
// RunGuarded: an exception that escapes it goes to OnUnhandledException and never into
// the toolkit underneath. Handles (timers, notifiers, lookups, call queues) must be
// destroyed before the loop that made them; destroying one inside its own callback is
// allowed and stops it at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/sockets.h"

namespace kasumido {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Milliseconds = std::chrono::milliseconds;

// A repeating timer. While enabled with an interval above 0 it fires OnTimer every
// interval; enabling it (again) or changing the interval of an enabled timer restarts
// the countdown; interval 0 leaves it idle. A new timer has interval 0 and is disabled.
// A timer whose OnTimer is still running (a handler that pumps the loop) does not fire
// again nested inside itself. Destroying the handle unregisters it.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(Milliseconds interval) = 0;
  virtual Milliseconds Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;

  std::function<void()> OnTimer;
};

enum class SocketEvent { kRead, kWrite };

// Readiness of one socket (on Linux, any descriptor) for one kind of event. While enabled,
// OnActivated fires from the loop whenever the socket is ready (level-triggered: again
// and again while it stays ready), but never nested inside its own OnActivated: a handler
// that pumps the loop is not called again until it returns, and the socket's readiness
// does not wake the waits it makes meanwhile over and over. A new notifier is disabled.
// An error or hang-up on the socket counts as ready for reading. Destroying the handle
// unregisters it; it never closes the socket, and it must be destroyed before the socket
// is closed.
class SocketNotifier {
 public:
  virtual ~SocketNotifier() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;

  std::function<void()> OnActivated;
};

// An asynchronous lookup of one host name. OnDone fires from the loop, never from inside
// Start: with error 0 and the first IPv4 address in dotted form, or with a non-zero
// error (11001 for an unknown host or an empty name, 11004 for a name without an IPv4
// address) and an empty address. Cancel drops a running lookup without firing OnDone;
// Start while one runs cancels it first.
class HostLookup {
 public:
  virtual ~HostLookup() = default;
  virtual void Start(const std::string& host) = 0;
  virtual void Cancel() = 0;
  virtual bool Running() const = 0;

  std::function<void(int error, const std::string& address)> OnDone;
};

class EventLoop;

// Calls that one object queues to the loop. Destroying the queue drops the calls that
// have not run yet, so an object may queue calls that capture `this` as long as it owns
// the queue. Calls run in the order queued, each from the loop after the handler that
// queued it has returned.
class CallQueue {
 public:
  // REQUIRES: `loop` outlives the queue.
  explicit CallQueue(EventLoop& loop);
  ~CallQueue();
  CallQueue(const CallQueue&) = delete;
  CallQueue& operator=(const CallQueue&) = delete;

  void Post(std::function<void()> call);

 private:
  EventLoop& loop_;
  std::uint64_t id_;
};

// When a back end last asked the system for events. Long loops yield between steps that
// take microseconds, and each look is a system call (under Wine a round trip to the Wine
// server): a yield sooner than kInterval after the last look handles only what the loop
// holds itself (posted calls, due timers, sockets known to be ready).
class SystemLookPacer {
 public:
  static constexpr Milliseconds kInterval{1};

  bool LookedRecently(TimePoint now) const { return looked_ && now - last_look_ < kInterval; }
  void Looked(TimePoint now) {
    looked_ = true;
    last_look_ = now;
  }

 private:
  bool looked_ = false;
  TimePoint last_look_{};
};

class EventLoop {
 public:
  EventLoop() = default;
  virtual ~EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Pumps the event loop: handles every event that is ready now, without blocking.
  virtual void ProcessPendingEvents() = 0;
  // Pumps the event loop: blocks until an event arrives or `timeout` has passed (never
  // spinning), then handles what is ready.
  virtual void WaitForEvents(Milliseconds timeout) = 0;
  // Queues `call` to run from the loop after the current handler has returned.
  virtual void Post(std::function<void()> call) = 0;
  // Monotonic time as the loop sees it (a test loop moves it by hand).
  virtual TimePoint Now() const = 0;

  virtual std::unique_ptr<Timer> CreateTimer() = 0;
  virtual std::unique_ptr<SocketNotifier> CreateSocketNotifier(SocketHandle socket,
                                                               SocketEvent event) = 0;
  virtual std::unique_ptr<HostLookup> CreateHostLookup() = 0;

  // The application-wide handler: receives every exception that escapes a callback the
  // loop runs. Unset, the exception's text goes to standard error.
  std::function<void(const std::exception&)> OnUnhandledException;

  // Runs `call`; whatever escapes it goes to ReportException. Never throws. Back ends run
  // every callback through here.
  void RunGuarded(const std::function<void()>& call) noexcept;
  // Hands `error` to OnUnhandledException (standard error when unset, or when the handler
  // itself throws). Never throws.
  void ReportException(const std::exception& error) noexcept;

 private:
  friend class CallQueue;
  std::unordered_set<std::uint64_t> live_queues_;
  std::uint64_t next_queue_id_ = 1;
};

}  // namespace kasumido
