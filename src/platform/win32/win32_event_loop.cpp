#include "platform/win32/win32_event_loop.h"

#include "platform/win32/win32_loop_parts.h"

#include <algorithm>
#include <climits>

namespace kasumido {
namespace win32_loop {
namespace {

// The windows whose keys go through the dialog navigation (one thread: no lock).
std::vector<HWND>& NavigationWindows() {
  static std::vector<HWND> windows;
  return windows;
}

bool HandledByDialogNavigation(MSG& message) {
  for (HWND window : NavigationWindows()) {
    if ((message.hwnd == window || IsChild(window, message.hwnd)) &&
        IsDialogMessageW(window, &message)) {
      return true;
    }
  }
  return false;
}

}  // namespace

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
  network_event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

Win32EventLoop::~Win32EventLoop() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (network_event_ != nullptr) CloseHandle(network_event_);
}

LRESULT CALLBACK Win32EventLoop::WindowProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  auto* loop = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (loop == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
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
  if (watched_sockets_[notifier->Socket()].notifiers++ == 0) {
    // Winsock records at once what already holds (data waiting, a connected socket).
    WSAEventSelect(static_cast<SOCKET>(notifier->Socket()), network_event_, kNetworkEvents);
  }
}

void Win32EventLoop::RemoveNotifier(std::uint64_t id) {
  const auto found = notifiers_.find(id);
  if (found == notifiers_.end()) return;
  const SocketHandle socket = found->second->Socket();
  notifiers_.erase(found);
  if (--watched_sockets_[socket].notifiers == 0) {
    watched_sockets_.erase(socket);
    WSAEventSelect(static_cast<SOCKET>(socket), nullptr, 0);
  }
}

// Every call is posted from this thread, by code that the loop itself runs, and a wait
// never blocks while calls are queued: the queue needs no message to wake the loop.
void Win32EventLoop::Post(std::function<void()> call) { posted_.push_back(std::move(call)); }

// Under Wine every system call below is a round trip to the Wine server, so a pass asks
// only what it must: one wait answers for the message queue and the network event
// together, messages are looked for only when the wait saw some (or a network event),
// and the sockets only when the network event says one has news. select() is avoided:
// under Wine the server polls a socket busily from the moment a select() has found it
// ready until the program has collected the answer.
//
// A yield soon after the last look at the system handles only what the loop holds
// itself (SystemLookPacer).
void Win32EventLoop::ProcessPendingEvents() {
  if (looks_.LookedRecently(Now())) {
    HandleEvents(WAIT_TIMEOUT);
    return;
  }
  HandleEvents(WaitForInputOrNetwork(Milliseconds(0)));
}

void Win32EventLoop::WaitForEvents(Milliseconds timeout) {
  const bool sockets_ready = !ReadyNotifiers().empty();
  const TimePoint now = Now();
  TimePoint next_due = TimePoint::max();
  Milliseconds wait(0);
  if (posted_.empty() && !AnyTimerDue(now, next_due) && !sockets_ready) {
    wait = std::max(timeout, Milliseconds(0));
    if (next_due != TimePoint::max()) {
      // Rounded up, so the wait never ends just before the timer is due.
      wait = std::min(wait, std::chrono::ceil<Milliseconds>(next_due - now));
    }
  }
  HandleEvents(WaitForInputOrNetwork(wait));
}

DWORD Win32EventLoop::WaitForInputOrNetwork(Milliseconds wait) {
  const DWORD wait_ms = static_cast<DWORD>(std::clamp<Milliseconds::rep>(wait.count(), 0, INT_MAX));
  const DWORD woke = MsgWaitForMultipleObjectsEx(network_event_ != nullptr ? 1 : 0, &network_event_,
                                                 wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  looks_.Looked(Now());
  return woke;
}

void Win32EventLoop::HandleEvents(DWORD woke) {
  const DWORD input = WAIT_OBJECT_0 + (network_event_ != nullptr ? 1 : 0);
  // A network event wins over input in the wait's answer: messages are looked for then
  // too, so a busy socket never keeps a click waiting.
  if (woke != WAIT_TIMEOUT) DispatchMessages();
  if (woke != WAIT_TIMEOUT && woke != input) TakeNetworkEvents();
  const std::vector<std::uint64_t> ready = ReadyNotifiers();
  RunPostedCalls();
  FireDueTimers();
  FireNotifiers(ready);
}

void Win32EventLoop::DispatchMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // kept for the outermost loop
      break;
    }
    if (HandledByDialogNavigation(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The event is shared by every watched socket, so each is asked what it recorded (and
// its record cleared); events that come meanwhile signal the event again.
void Win32EventLoop::TakeNetworkEvents() {
  for (auto& [socket, watched] : watched_sockets_) {
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(static_cast<SOCKET>(socket), nullptr, &events) != 0) continue;
    const long what = events.lNetworkEvents;
    if ((what & (FD_READ | FD_ACCEPT | FD_OOB)) != 0) watched.readable = true;
    if ((what & FD_WRITE) != 0) watched.writable = true;
    if ((what & FD_CLOSE) != 0) watched.ended = true;
    if ((what & FD_CONNECT) != 0) {
      if (events.iErrorCode[FD_CONNECT_BIT] != 0) {
        watched.failed = true;
      } else {
        watched.writable = true;
      }
    }
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

bool Win32EventLoop::IsReady(const Win32SocketNotifier& notifier) const {
  const auto found = watched_sockets_.find(notifier.Socket());
  if (found == watched_sockets_.end()) return false;
  const WatchedSocket& watched = found->second;
  // A failed connect counts as ready for both events, a closed connection for reading.
  if (watched.failed) return true;
  if (notifier.Event() == SocketEvent::kWrite) return watched.writable;
  return watched.readable || watched.ended;
}

std::vector<std::uint64_t> Win32EventLoop::ReadyNotifiers() {
  AskWritable();
  std::vector<std::uint64_t> ready;
  for (const auto& [id, notifier] : notifiers_) {
    if (notifier->Watching() && IsReady(*notifier)) ready.push_back(id);
  }
  return ready;
}

void Win32EventLoop::AskWritable() {
  fd_set writable;
  FD_ZERO(&writable);
  for (auto& [socket, watched] : watched_sockets_) {
    if (!watched.ask_writable || writable.fd_count >= FD_SETSIZE) continue;
    watched.ask_writable = false;
    FD_SET(static_cast<SOCKET>(socket), &writable);
  }
  if (writable.fd_count == 0) return;
  timeval zero{};
  if (select(0, nullptr, &writable, nullptr, &zero) < 0) return;
  for (auto& [socket, watched] : watched_sockets_) {
    if (FD_ISSET(static_cast<SOCKET>(socket), &writable)) watched.writable = true;
  }
}

void Win32EventLoop::FireNotifiers(const std::vector<std::uint64_t>& ready) {
  for (std::uint64_t id : ready) {
    const auto found = notifiers_.find(id);  // an earlier handler may have destroyed it
    if (found == notifiers_.end() || !found->second->Watching() || !IsReady(*found->second)) {
      continue;
    }
    found->second->Fire();
    LookAgainAfter(id);
  }
}

void Win32EventLoop::LookAgainAfter(std::uint64_t id) {
  const auto found = notifiers_.find(id);  // the handler may have destroyed it
  if (found == notifiers_.end()) return;
  const Win32SocketNotifier& notifier = *found->second;
  WatchedSocket& watched = watched_sockets_[notifier.Socket()];
  if (notifier.Event() == SocketEvent::kRead) {
    // What was not read keeps the socket ready; once drained, the next FD_READ tells.
    watched.readable = BytesWaiting(notifier.Socket()) > 0;
  } else if (notifier.Watching()) {
    watched.writable = false;
    watched.ask_writable = true;
  }
}

}  // namespace win32_loop

void AddDialogNavigation(void* window) {
  win32_loop::NavigationWindows().push_back(static_cast<HWND>(window));
}

void RemoveDialogNavigation(void* window) {
  std::vector<HWND>& windows = win32_loop::NavigationWindows();
  std::erase(windows, static_cast<HWND>(window));
}

std::unique_ptr<EventLoop> MakeEventLoop() {
  return std::make_unique<win32_loop::Win32EventLoop>();
}

}  // namespace kasumido
