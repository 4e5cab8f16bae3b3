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
    if (HandledByDialogNavigation(message)) continue;
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
