#include "support/test_event_loop.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/sockets.h"

namespace kasumido::test {

class TestEventLoop::FakeTimer final : public Timer {
 public:
  explicit FakeTimer(TestEventLoop& loop) : loop_(loop), id_(loop.next_id_++) {
    loop_.timers_[id_] = this;
  }
  ~FakeTimer() override { loop_.timers_.erase(id_); }

  void SetInterval(Milliseconds interval) override {
    interval_ = std::max(Milliseconds(0), interval);
    due_ = loop_.now_ + interval_;
  }
  Milliseconds Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    due_ = loop_.now_ + interval_;
  }
  bool Enabled() const override { return enabled_; }

  bool Armed() const { return enabled_ && interval_.count() > 0 && !running_; }

  TestEventLoop& loop_;
  const std::uint64_t id_;
  Milliseconds interval_{0};
  bool enabled_ = false;
  bool running_ = false;
  TimePoint due_;
};

class TestEventLoop::FakeNotifier final : public SocketNotifier {
 public:
  FakeNotifier(TestEventLoop& loop, SocketHandle socket, SocketEvent event)
      : loop_(loop), id_(loop.next_id_++), socket_(socket), event_(event) {
    loop_.notifiers_[id_] = this;
  }
  ~FakeNotifier() override { loop_.notifiers_.erase(id_); }

  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }

  bool Watching() const { return enabled_ && !running_; }

  TestEventLoop& loop_;
  const std::uint64_t id_;
  const SocketHandle socket_;
  const SocketEvent event_;
  bool enabled_ = false;
  bool running_ = false;
};

class TestEventLoop::FakeLookup final : public HostLookup {
 public:
  explicit FakeLookup(TestEventLoop& loop) : loop_(loop), id_(loop.next_id_++) {
    loop_.lookups_[id_] = this;
  }
  ~FakeLookup() override { loop_.lookups_.erase(id_); }

  void Start(const std::string& host) override {
    Cancel();
    running_ = true;
    host_ = host;
    started_pass_ = loop_.pass_;
    ++loop_.lookups_started_;
  }
  void Cancel() override { running_ = false; }
  bool Running() const override { return running_; }

  TestEventLoop& loop_;
  const std::uint64_t id_;
  bool running_ = false;
  std::string host_;
  std::uint64_t started_pass_ = 0;
};

TestEventLoop::TestEventLoop() : now_(TimePoint(std::chrono::hours(1000))) {
  hosts_["localhost"] = HostAnswer{0, "127.0.0.1"};
}

TestEventLoop::~TestEventLoop() = default;

void TestEventLoop::ProcessPendingEvents() { RunPass(0); }

void TestEventLoop::WaitForEvents(Milliseconds timeout) {
  ++wait_count_;
  longest_wait_ = std::max(longest_wait_, timeout);
  if (RunPass(0) || timeout.count() <= 0) return;
  const TimePoint until = std::min(now_ + timeout, NextDue());
  if (AnyNotifierEnabled()) {
    // Real descriptors: really wait, and let the clock follow the time that passed.
    const auto started = Clock::now();
    const auto wait_ms = std::chrono::ceil<Milliseconds>(until - now_).count();
    const bool ready = PollWatched(static_cast<int>(std::min<long long>(wait_ms, INT_MAX)));
    const auto passed = std::chrono::duration_cast<Clock::duration>(Clock::now() - started);
    now_ = ready ? std::min(until, now_ + passed) : until;
  } else {
    now_ = until;
  }
  RunPass(0);
}

void TestEventLoop::Post(std::function<void()> call) { posted_.push_back(std::move(call)); }

std::unique_ptr<Timer> TestEventLoop::CreateTimer() { return std::make_unique<FakeTimer>(*this); }

std::unique_ptr<SocketNotifier> TestEventLoop::CreateSocketNotifier(SocketHandle socket,
                                                                    SocketEvent event) {
  return std::make_unique<FakeNotifier>(*this, socket, event);
}

std::unique_ptr<HostLookup> TestEventLoop::CreateHostLookup() {
  return std::make_unique<FakeLookup>(*this);
}

void TestEventLoop::Advance(Milliseconds duration) {
  const TimePoint target = now_ + duration;
  for (TimePoint due = NextDue(); due <= target; due = NextDue()) {
    now_ = std::max(now_, due);
    RunPass(0);
  }
  now_ = std::max(now_, target);
  RunPass(0);
}

void TestEventLoop::AddHost(const std::string& name, const std::string& address) {
  hosts_[name] = HostAnswer{0, address};
}

void TestEventLoop::AddHostError(const std::string& name, int error) {
  hosts_[name] = HostAnswer{error, ""};
}

bool TestEventLoop::RunPass(int poll_ms) {
  ++pass_;
  bool handled = RunPostedCalls();
  handled = RunFinishedLookups() || handled;
  handled = RunDueTimers() || handled;
  handled = RunReadyNotifiers(poll_ms) || handled;
  return handled;
}

bool TestEventLoop::RunPostedCalls() {
  // Calls posted while these run wait for the next pass.
  std::deque<std::function<void()>> calls;
  calls.swap(posted_);
  for (const auto& call : calls) RunGuarded(call);
  return !calls.empty();
}

bool TestEventLoop::RunFinishedLookups() {
  if (lookups_held_) return false;
  std::vector<std::uint64_t> ids;
  for (const auto& [id, lookup] : lookups_) {
    if (lookup->running_ && lookup->started_pass_ < pass_) ids.push_back(id);
  }
  for (const std::uint64_t id : ids) {
    const auto found = lookups_.find(id);
    if (found == lookups_.end() || !found->second->running_) continue;
    FakeLookup& lookup = *found->second;
    lookup.running_ = false;
    const HostAnswer answer = Answer(lookup.host_);
    const auto done = lookup.OnDone;
    if (done) RunGuarded([&] { done(answer.error, answer.address); });
  }
  return !ids.empty();
}

bool TestEventLoop::RunDueTimers() {
  bool handled = false;
  for (;;) {
    FakeTimer* next = nullptr;
    for (const auto& [id, timer] : timers_) {
      if (timer->Armed() && timer->due_ <= now_ && (next == nullptr || timer->due_ < next->due_)) {
        next = timer;
      }
    }
    if (next == nullptr) return handled;
    handled = true;
    next->due_ += next->interval_;
    if (next->due_ <= now_) next->due_ = now_ + next->interval_;  // missed ticks coalesce
    const std::uint64_t id = next->id_;
    const auto call = next->OnTimer;
    next->running_ = true;
    if (call) RunGuarded(call);
    const auto still = timers_.find(id);
    if (still != timers_.end()) still->second->running_ = false;
  }
}

// Waits on the sockets of the watching notifiers; answers which of them are ready (an
// error or hang-up wakes both kinds, as a closed connection must be noticed).
std::vector<std::uint64_t> TestEventLoop::PollNotifiers(int poll_ms) const {
  std::vector<SocketWait> waits;
  std::vector<std::uint64_t> ids;
  for (const auto& [id, notifier] : notifiers_) {
    if (!notifier->Watching()) continue;
    const bool read = notifier->event_ == SocketEvent::kRead;
    waits.push_back(SocketWait{notifier->socket_, read, !read});
    ids.push_back(id);
  }
  std::vector<std::uint64_t> ready;
  int error = 0;
  if (waits.empty() || WaitForSockets(waits, poll_ms, error) <= 0) return ready;
  for (std::size_t i = 0; i < waits.size(); ++i) {
    if (waits[i].ready) ready.push_back(ids[i]);
  }
  return ready;
}

bool TestEventLoop::PollWatched(int poll_ms) const { return !PollNotifiers(poll_ms).empty(); }

bool TestEventLoop::RunReadyNotifiers(int poll_ms) {
  bool handled = false;
  for (const std::uint64_t id : PollNotifiers(poll_ms)) {
    const auto found = notifiers_.find(id);
    if (found == notifiers_.end() || !found->second->Watching()) continue;
    handled = true;
    const auto call = found->second->OnActivated;
    found->second->running_ = true;
    if (call) RunGuarded(call);
    const auto still = notifiers_.find(id);
    if (still != notifiers_.end()) still->second->running_ = false;
  }
  return handled;
}

TimePoint TestEventLoop::NextDue() const {
  TimePoint next = TimePoint::max();
  for (const auto& [id, timer] : timers_) {
    if (timer->Armed()) next = std::min(next, timer->due_);
  }
  return next;
}

bool TestEventLoop::AnyNotifierEnabled() const {
  return std::any_of(notifiers_.begin(), notifiers_.end(),
                     [](const auto& entry) { return entry.second->Watching(); });
}

TestEventLoop::HostAnswer TestEventLoop::Answer(const std::string& name) const {
  const auto found = hosts_.find(name);
  if (found != hosts_.end()) return found->second;
  return HostAnswer{11001, ""};
}

}  // namespace kasumido::test
