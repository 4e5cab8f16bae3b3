#include "platform/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <deque>

#include "platform/callback_runner.h"

namespace kasumido {
namespace {

int ClampToInt(Milliseconds duration) {
  return static_cast<int>(std::clamp<Milliseconds::rep>(duration.count(), 0, INT_MAX));
}

class QtTimer final : public Timer {
 public:
  explicit QtTimer(EventLoop& loop) : loop_(loop) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const std::function<void()> call = OnTimer;
      runner_.Run(loop_, call);
    });
  }

  void SetInterval(Milliseconds interval) override {
    interval_ = std::max(Milliseconds(0), interval);
    Apply();
  }
  Milliseconds Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Apply();
  }
  bool Enabled() const override { return enabled_; }

 private:
  void Apply() {
    if (enabled_ && interval_.count() > 0) {
      timer_.start(ClampToInt(interval_));  // start() restarts a running timer
    } else {
      timer_.stop();
    }
  }

  EventLoop& loop_;
  QTimer timer_;
  Milliseconds interval_{0};
  bool enabled_ = false;
  CallbackRunner runner_;
};

class QtSocketNotifier final : public SocketNotifier {
 public:
  QtSocketNotifier(EventLoop& loop, SocketHandle socket, SocketEvent event)
      : loop_(loop),
        notifier_(event == SocketEvent::kRead ? QSocketNotifier::Read : QSocketNotifier::Write) {
    // Given its descriptor this way the toolkit's notifier starts disabled; given it at
    // construction it would start watching, only to be switched off at once.
    notifier_.setSocket(static_cast<qintptr>(socket));
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { Activate(); });
  }

  // Each switch of a toolkit notifier wakes the dispatcher (a write to its wake-up
  // descriptor), so the toolkit's is switched only when the watch really changes.
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    // While the handler runs, a watch it asks for starts when the handler returns.
    if (!enabled || !runner_.Running()) notifier_.setEnabled(enabled);
  }
  bool Enabled() const override { return enabled_; }

 private:
  void Activate() {
    if (runner_.Running()) {
      // Ready again while the handler still waits in the loop: the descriptor is not
      // watched until the handler returns, so a level-triggered readiness cannot wake
      // those waits again and again.
      notifier_.setEnabled(false);
      return;
    }
    const std::function<void()> call = OnActivated;
    if (!runner_.Run(loop_, call)) return;
    notifier_.setEnabled(enabled_);
  }

  EventLoop& loop_;
  QSocketNotifier notifier_;
  bool enabled_ = false;
  CallbackRunner runner_;
};

// 11001 host not found; 11003 any other failure; 11004 a name without an IPv4 address.
int LookupErrorNumber(const QHostInfo& info, std::string& address) {
  if (info.error() == QHostInfo::HostNotFound) return 11001;
  if (info.error() != QHostInfo::NoError) return 11003;
  for (const QHostAddress& candidate : info.addresses()) {
    if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
      address = candidate.toString().toStdString();
      return 0;
    }
  }
  return 11004;
}

class QtHostLookup final : public HostLookup {
 public:
  explicit QtHostLookup(EventLoop& loop) : loop_(loop) {}
  ~QtHostLookup() override { Cancel(); }

  void Start(const std::string& host) override {
    Cancel();
    running_ = true;
    const std::uint64_t generation = ++generation_;
    // The context object drops the answer when this handle is destroyed first.
    id_ = QHostInfo::lookupHost(
        QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size())), &context_,
        [this, generation](const QHostInfo& info) { Finish(generation, info); });
  }

  void Cancel() override {
    if (!running_) return;
    QHostInfo::abortHostLookup(id_);
    running_ = false;
    ++generation_;  // an answer already on its way is discarded
  }

  bool Running() const override { return running_; }

 private:
  void Finish(std::uint64_t generation, const QHostInfo& info) {
    if (!running_ || generation != generation_) return;
    running_ = false;
    std::string address;
    const int error = LookupErrorNumber(info, address);
    const auto done = OnDone;
    if (!done) return;
    runner_.Run(loop_, [&done, error, &address] { done(error, address); });
  }

  EventLoop& loop_;
  QObject context_;
  int id_ = -1;
  bool running_ = false;
  std::uint64_t generation_ = 0;
  CallbackRunner runner_;
};

class QtEventLoop final : public EventLoop {
 public:
  QtEventLoop() {
    post_timer_.setSingleShot(true);
    post_timer_.setInterval(0);
    QObject::connect(&post_timer_, &QTimer::timeout, [this] { RunPostedCalls(); });
  }

  // A yield soon after the last look at the toolkit runs only the calls posted to the
  // loop (SystemLookPacer).
  void ProcessPendingEvents() override {
    const TimePoint now = Now();
    if (looks_.LookedRecently(now)) {
      RunPostedCalls();
      return;
    }
    looks_.Looked(now);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }

  void WaitForEvents(Milliseconds timeout) override {
    if (timeout.count() <= 0) {
      ProcessPendingEvents();
      return;
    }
    // A wake-up timer bounds the blocking wait; the dispatcher sleeps in poll() until
    // either it or another event arrives. Each wait has its own timer, so waits nested
    // inside handlers do not disturb each other.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(ClampToInt(timeout));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    looks_.Looked(Now());
  }

  // The calls wait in the loop's own queue, run by a zero-interval timer: a burst of
  // posts starts it once. Unlike a posted toolkit event, starting a timer does not write
  // to the dispatcher's wake-up descriptor; it needs no waking, as every post comes from
  // code the loop runs, and the dispatcher looks at its timers before it blocks again.
  void Post(std::function<void()> call) override {
    posted_.push_back(std::move(call));
    if (!post_timer_.isActive()) post_timer_.start();
  }

  TimePoint Now() const override { return Clock::now(); }

  std::unique_ptr<Timer> CreateTimer() override { return std::make_unique<QtTimer>(*this); }
  std::unique_ptr<SocketNotifier> CreateSocketNotifier(SocketHandle socket,
                                                       SocketEvent event) override {
    return std::make_unique<QtSocketNotifier>(*this, socket, event);
  }
  std::unique_ptr<HostLookup> CreateHostLookup() override {
    return std::make_unique<QtHostLookup>(*this);
  }

 private:
  // The calls queued before this pass, oldest first; a call that pumps the loop lets the
  // next ones run inside it, in order. Calls queued meanwhile wait for the next pass.
  void RunPostedCalls() {
    for (std::size_t count = posted_.size(); count > 0 && !posted_.empty(); --count) {
      const std::function<void()> call = std::move(posted_.front());
      posted_.pop_front();
      RunGuarded(call);
    }
  }

  std::deque<std::function<void()>> posted_;
  // Destroying the loop stops it and drops the calls that have not run yet.
  QTimer post_timer_;
  SystemLookPacer looks_;
};

}  // namespace

std::unique_ptr<EventLoop> MakeEventLoop() { return std::make_unique<QtEventLoop>(); }

}  // namespace kasumido
