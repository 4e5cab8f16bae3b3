#include "platform/win32/win32_event_loop.h"

// Room for every socket the program and its tests watch at once in one select().
#define FD_SETSIZE 1024
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "platform/win32/winsock.h"

namespace kasumido {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;    // a posted call is waiting
constexpr UINT kLookupMessage = WM_APP + 2;  // WSAAsyncGetHostByName has answered
constexpr long kNetworkEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE | FD_ACCEPT | FD_OOB;
constexpr wchar_t kWindowClass[] = L"KasumidoEventLoop";

// Runs one handle's callback guarded, never nested inside itself, and survives the handle
// being destroyed by its own callback.
class CallbackRunner {
 public:
  CallbackRunner() = default;
  ~CallbackRunner() {
    if (alive_ != nullptr) *alive_ = false;
  }
  CallbackRunner(const CallbackRunner&) = delete;
  CallbackRunner& operator=(const CallbackRunner&) = delete;

  // `call` is the caller's own copy. False when the handle went inside the callback.
  bool Run(EventLoop& loop, const std::function<void()>& call) {
    if (running_ || !call) return true;
    bool alive = true;
    alive_ = &alive;
    running_ = true;
    loop.RunGuarded(call);
    if (!alive) return false;
    alive_ = nullptr;
    running_ = false;
    return true;
  }
  bool Running() const { return running_; }

 private:
  bool* alive_ = nullptr;
  bool running_ = false;
};

class Win32EventLoop;

class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32EventLoop& loop, std::uint64_t id);
  ~Win32Timer() override;

  void SetInterval(Milliseconds interval) override {
    interval_ = std::max(Milliseconds(0), interval);
    Restart();
  }
  Milliseconds Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Restart();
  }
  bool Enabled() const override { return enabled_; }

  bool Armed() const { return enabled_ && interval_.count() > 0 && !runner_.Running(); }
  TimePoint Due() const { return due_; }
  void Fire();

 private:
  void Restart();

  Win32EventLoop& loop_;
  std::uint64_t id_;
  Milliseconds interval_{0};
  bool enabled_ = false;
  TimePoint due_{};
  CallbackRunner runner_;
};

class Win32SocketNotifier final : public SocketNotifier {
 public:
  Win32SocketNotifier(Win32EventLoop& loop, std::uint64_t id, SocketHandle socket,
                      SocketEvent event);
  ~Win32SocketNotifier() override;

  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }

  bool Watching() const { return enabled_ && !runner_.Running(); }
  SocketHandle Socket() const { return socket_; }
  SocketEvent Event() const { return event_; }
  void Fire();

 private:
  Win32EventLoop& loop_;
  std::uint64_t id_;
  SocketHandle socket_;
  SocketEvent event_;
  bool enabled_ = false;
  CallbackRunner runner_;
};

class Win32HostLookup final : public HostLookup {
 public:
  Win32HostLookup(Win32EventLoop& loop, std::uint64_t id);
  ~Win32HostLookup() override;

  void Start(const std::string& host) override;
  void Cancel() override;
  bool Running() const override { return running_; }

  // The answer of the request `request`: WSAAsyncGetHostByName's error word in `error`.
  void Answer(HANDLE request, int error);

 private:
  void Finish(int error, const std::string& address);

  Win32EventLoop& loop_;
  std::uint64_t id_;
  bool running_ = false;
  HANDLE request_ = nullptr;
  std::uint64_t generation_ = 0;
  std::vector<char> buffer_ = std::vector<char>(MAXGETHOSTSTRUCT);
  CallbackRunner runner_;
};

class Win32EventLoop final : public EventLoop {
 public:
  Win32EventLoop();
  ~Win32EventLoop() override;

  void ProcessPendingEvents() override;
  void WaitForEvents(Milliseconds timeout) override;
  void Post(std::function<void()> call) override;
  TimePoint Now() const override { return Clock::now(); }

  std::unique_ptr<Timer> CreateTimer() override {
    return std::make_unique<Win32Timer>(*this, next_id_++);
  }
  std::unique_ptr<SocketNotifier> CreateSocketNotifier(SocketHandle socket,
                                                       SocketEvent event) override {
    return std::make_unique<Win32SocketNotifier>(*this, next_id_++, socket, event);
  }
  std::unique_ptr<HostLookup> CreateHostLookup() override {
    return std::make_unique<Win32HostLookup>(*this, next_id_++);
  }

  HWND Window() const { return window_; }

  void AddTimer(std::uint64_t id, Win32Timer* timer) { timers_[id] = timer; }
  void RemoveTimer(std::uint64_t id) { timers_.erase(id); }
  void AddNotifier(std::uint64_t id, Win32SocketNotifier* notifier);
  void RemoveNotifier(std::uint64_t id);
  void AddLookup(HANDLE request, Win32HostLookup* lookup) { lookups_[request] = lookup; }
  void RemoveLookup(HANDLE request) { lookups_.erase(request); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  void DispatchMessages();
  void RunPostedCalls();
  void FireDueTimers();
  void FireReadyNotifiers();
  // The watched notifiers whose sockets are ready now.
  std::vector<std::uint64_t> ReadyNotifiers();
  bool AnyTimerDue(TimePoint now, TimePoint& next_due) const;

  HWND window_ = nullptr;
  WSAEVENT network_event_ = WSA_INVALID_EVENT;
  std::uint64_t next_id_ = 1;
  std::deque<std::function<void()>> posted_;
  bool wake_pending_ = false;
  std::map<std::uint64_t, Win32Timer*> timers_;
  std::map<std::uint64_t, Win32SocketNotifier*> notifiers_;
  std::map<SocketHandle, int> watched_sockets_;  // notifiers per socket
  std::map<HANDLE, Win32HostLookup*> lookups_;
};

// --- timers -------------------------------------------------------------------------

Win32Timer::Win32Timer(Win32EventLoop& loop, std::uint64_t id) : loop_(loop), id_(id) {
  loop_.AddTimer(id_, this);
}

Win32Timer::~Win32Timer() { loop_.RemoveTimer(id_); }

void Win32Timer::Restart() { due_ = loop_.Now() + interval_; }

void Win32Timer::Fire() {
  due_ = loop_.Now() + interval_;
  const std::function<void()> call = OnTimer;
  runner_.Run(loop_, call);
}

// --- socket notifiers ---------------------------------------------------------------

Win32SocketNotifier::Win32SocketNotifier(Win32EventLoop& loop, std::uint64_t id,
                                         SocketHandle socket, SocketEvent event)
    : loop_(loop), id_(id), socket_(socket), event_(event) {
  loop_.AddNotifier(id_, this);
}

Win32SocketNotifier::~Win32SocketNotifier() { loop_.RemoveNotifier(id_); }

void Win32SocketNotifier::Fire() {
  const std::function<void()> call = OnActivated;
  runner_.Run(loop_, call);
}

// --- host lookups -------------------------------------------------------------------

Win32HostLookup::Win32HostLookup(Win32EventLoop& loop, std::uint64_t id) : loop_(loop), id_(id) {}

Win32HostLookup::~Win32HostLookup() { Cancel(); }

void Win32HostLookup::Start(const std::string& host) {
  Cancel();
  running_ = true;
  const std::uint64_t generation = ++generation_;
  if (host.empty() || EnsureWinsock() != 0) {
    // The resolver would answer an empty name in its own way: the program's is 11001.
    const int error = host.empty() ? WSAHOST_NOT_FOUND : EnsureWinsock();
    loop_.Post([this, generation, error] {
      if (running_ && generation == generation_) Finish(error, {});
    });
    return;
  }
  in_addr numeric{};
  if (inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
    // A dotted address needs no resolver: it is answered from the loop as it is.
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &numeric, text, sizeof text);
    loop_.Post([this, generation, address = std::string(text)] {
      if (running_ && generation == generation_) Finish(0, address);
    });
    return;
  }
  request_ = WSAAsyncGetHostByName(loop_.Window(), kLookupMessage, host.c_str(), buffer_.data(),
                                   static_cast<int>(buffer_.size()));
  if (request_ == nullptr) {
    const int error = WSAGetLastError();
    loop_.Post([this, generation, error] {
      if (running_ && generation == generation_) Finish(error, {});
    });
    return;
  }
  loop_.AddLookup(request_, this);
}

void Win32HostLookup::Cancel() {
  if (!running_) return;
  running_ = false;
  ++generation_;  // an answer already posted is discarded
  if (request_ != nullptr) {
    WSACancelAsyncRequest(request_);
    loop_.RemoveLookup(request_);
    request_ = nullptr;
  }
}

void Win32HostLookup::Answer(HANDLE request, int error) {
  if (!running_ || request != request_) return;
  loop_.RemoveLookup(request_);
  request_ = nullptr;
  std::string address;
  if (error == 0) {
    const hostent* entry = reinterpret_cast<const hostent*>(buffer_.data());
    if (entry->h_addrtype == AF_INET && entry->h_addr_list != nullptr &&
        entry->h_addr_list[0] != nullptr) {
      in_addr first{};
      std::memcpy(&first, entry->h_addr_list[0], sizeof first);
      address = inet_ntoa(first);
    } else {
      error = WSANO_DATA;
    }
  }
  Finish(error, address);
}

void Win32HostLookup::Finish(int error, const std::string& address) {
  running_ = false;
  const auto done = OnDone;
  if (!done) return;
  runner_.Run(loop_, [&done, error, &address] { done(error, address); });
}

// --- the loop -----------------------------------------------------------------------

Win32EventLoop::Win32EventLoop() {
  EnsureWinsock();
  static const ATOM window_class = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = WindowProc;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = kWindowClass;
    return RegisterClassExW(&description);
  }();
  (void)window_class;
  window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  network_event_ = WSACreateEvent();
}

Win32EventLoop::~Win32EventLoop() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (network_event_ != WSA_INVALID_EVENT) WSACloseEvent(network_event_);
}

LRESULT CALLBACK Win32EventLoop::WindowProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  auto* loop = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (loop == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case kWakeMessage:
      loop->wake_pending_ = false;
      return 0;
    case kLookupMessage: {
      const auto found = loop->lookups_.find(reinterpret_cast<HANDLE>(wparam));
      if (found != loop->lookups_.end()) {
        found->second->Answer(found->first, WSAGETASYNCERROR(lparam));
      }
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void Win32EventLoop::AddNotifier(std::uint64_t id, Win32SocketNotifier* notifier) {
  notifiers_[id] = notifier;
  if (watched_sockets_[notifier->Socket()]++ == 0) {
    WSAEventSelect(static_cast<SOCKET>(notifier->Socket()), network_event_, kNetworkEvents);
  }
}

void Win32EventLoop::RemoveNotifier(std::uint64_t id) {
  const auto found = notifiers_.find(id);
  if (found == notifiers_.end()) return;
  const SocketHandle socket = found->second->Socket();
  notifiers_.erase(found);
  if (--watched_sockets_[socket] == 0) {
    watched_sockets_.erase(socket);
    WSAEventSelect(static_cast<SOCKET>(socket), nullptr, 0);
  }
}

void Win32EventLoop::Post(std::function<void()> call) {
  posted_.push_back(std::move(call));
  if (!wake_pending_ && window_ != nullptr) {
    wake_pending_ = PostMessageW(window_, kWakeMessage, 0, 0) != 0;
  }
}

void Win32EventLoop::ProcessPendingEvents() {
  DispatchMessages();
  RunPostedCalls();
  FireDueTimers();
  FireReadyNotifiers();
}

void Win32EventLoop::WaitForEvents(Milliseconds timeout) {
  // Network events from here on wake the wait; what is ready already is seen below.
  WSAResetEvent(network_event_);
  const TimePoint now = Now();
  TimePoint next_due = TimePoint::max();
  const bool ready_now =
      !posted_.empty() || AnyTimerDue(now, next_due) || !ReadyNotifiers().empty();
  if (!ready_now && timeout.count() > 0) {
    Milliseconds wait = timeout;
    if (next_due != TimePoint::max()) {
      // Rounded up, so the wait never ends just before the timer is due.
      wait = std::min(wait, std::chrono::ceil<Milliseconds>(next_due - now));
    }
    const DWORD wait_ms =
        static_cast<DWORD>(std::clamp<Milliseconds::rep>(wait.count(), 0, INT_MAX));
    MsgWaitForMultipleObjectsEx(1, &network_event_, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  ProcessPendingEvents();
}

void Win32EventLoop::DispatchMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // kept for the outermost loop
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32EventLoop::RunPostedCalls() {
  // Calls posted by these calls run in the next pass, so a call that posts itself cannot
  // keep this one going.
  std::deque<std::function<void()>> calls;
  calls.swap(posted_);
  for (const std::function<void()>& call : calls) RunGuarded(call);
}

bool Win32EventLoop::AnyTimerDue(TimePoint now, TimePoint& next_due) const {
  bool due = false;
  for (const auto& [id, timer] : timers_) {
    if (!timer->Armed()) continue;
    next_due = std::min(next_due, timer->Due());
    due = due || timer->Due() <= now;
  }
  return due;
}

void Win32EventLoop::FireDueTimers() {
  const TimePoint now = Now();
  std::vector<std::uint64_t> due;
  for (const auto& [id, timer] : timers_) {
    if (timer->Armed() && timer->Due() <= now) due.push_back(id);
  }
  for (std::uint64_t id : due) {
    const auto found = timers_.find(id);  // an earlier handler may have destroyed it
    if (found != timers_.end() && found->second->Armed()) found->second->Fire();
  }
}

std::vector<std::uint64_t> Win32EventLoop::ReadyNotifiers() {
  std::vector<std::uint64_t> ready;
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  for (const auto& [id, notifier] : notifiers_) {
    if (!notifier->Watching() || failed.fd_count >= FD_SETSIZE) continue;
    const SOCKET socket = static_cast<SOCKET>(notifier->Socket());
    FD_SET(socket, notifier->Event() == SocketEvent::kRead ? &readable : &writable);
    FD_SET(socket, &failed);
  }
  if (failed.fd_count == 0) return ready;
  timeval zero{};
  if (select(0, &readable, &writable, &failed, &zero) <= 0) return ready;
  for (const auto& [id, notifier] : notifiers_) {
    if (!notifier->Watching()) continue;
    const SOCKET socket = static_cast<SOCKET>(notifier->Socket());
    // A failed connect shows only as an exception: it counts as ready for both events.
    const bool is_ready =
        FD_ISSET(socket, &failed) ||
        FD_ISSET(socket, notifier->Event() == SocketEvent::kRead ? &readable : &writable);
    if (is_ready) ready.push_back(id);
  }
  return ready;
}

void Win32EventLoop::FireReadyNotifiers() {
  for (std::uint64_t id : ReadyNotifiers()) {
    const auto found = notifiers_.find(id);  // an earlier handler may have destroyed it
    if (found != notifiers_.end() && found->second->Watching()) found->second->Fire();
  }
}

}  // namespace

std::unique_ptr<EventLoop> MakeEventLoop() { return std::make_unique<Win32EventLoop>(); }

}  // namespace kasumido
