// The one lifetime rule of the connection layer (THttpClient, its byte streams and
// TSocketTransport), stated here once and kept by EventGate:
//
//   An object is never destroyed inside one of its own events or calls: a handler that
//   wants it gone posts the destruction to the loop; a handler that must end a
//   connection or a request aborts it.
//
// Every object of the layer raises its events through its EventGate, the one guard a
// reader meets:
// - Destroying an object while one of its events runs (or a call that pumps the loop,
//   such as FetchSync) ends the program with a message naming the object. It is a bug
//   of ours that no input can cause, and a silent use of a destroyed object would be
//   worse.
// - The gate holds the object's course: a number that every change of course moves on
//   (an abort, a close, the end of a request, a new request or connection). Raise
//   answers whether the course the raiser was on still holds once the handler has
//   returned; when it does not, the raiser returns at once and touches nothing of the
//   old course. A call queued through Bind runs only while the course it was queued on
//   still holds.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace kasumido {

class EventGate {
 public:
  // `owner` names the object in the message of a broken rule; a literal.
  explicit EventGate(const char* owner) : owner_(owner) {}
  ~EventGate() {
    if (open_ > 0) BrokenRule();
  }
  EventGate(const EventGate&) = delete;
  EventGate& operator=(const EventGate&) = delete;

  // Marks a call of the owner that may run handlers (a wait that pumps the loop) for
  // as long as it lives: the owner must not be destroyed meanwhile.
  class Scope {
   public:
    explicit Scope(EventGate& gate) : gate_(gate) { ++gate_.open_; }
    ~Scope() { --gate_.open_; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    EventGate& gate_;
  };

  // Raises `event` when it is set (a copy, so the handler may replace itself). Answers
  // whether the course held through the handler.
  template <typename Event, typename... Args>
  bool Raise(const Event& event, Args&&... args) {
    if (!event) return true;
    const Event handler = event;
    const std::uint64_t course = course_;
    const Scope scope(*this);
    handler(std::forward<Args>(args)...);
    return course == course_;
  }

  // The owner changes course: raisers and queued calls of the old course stop.
  void Move() { ++course_; }
  // True while an event or a call of the owner runs: it must not be destroyed now.
  bool Raising() const { return open_ > 0; }
  std::uint64_t Course() const { return course_; }
  bool Holds(std::uint64_t course) const { return course == course_; }

  // `step`, to run later only while the current course still holds. REQUIRES: the call
  // runs while the gate lives (queue it on a CallQueue of the gate's owner).
  std::function<void()> Bind(std::function<void()> step) {
    return [this, course = course_, step = std::move(step)] {
      if (course == course_) step();
    };
  }

 private:
  [[noreturn]] void BrokenRule() const;

  const char* owner_;
  std::uint64_t course_ = 0;
  int open_ = 0;  // events and calls of the owner now running
};

}  // namespace kasumido
