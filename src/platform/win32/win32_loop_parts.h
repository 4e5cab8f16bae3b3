// The parts of the Win32 event loop (win32_event_loop.h): the loop and its handles,
// shared by win32_event_loop.cpp (the loop) and win32_loop_handles.cpp (timers,
// notifiers, lookups). Only those two files include it.
#pragma once

// Room for every socket the program and its tests watch at once in one select().
#define FD_SETSIZE 1024
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/callback_runner.h"
#include "platform/event_loop.h"
#include "platform/win32/winsock.h"

namespace kasumido::win32_loop {

inline constexpr UINT kLookupMessage = WM_APP + 2;  // WSAAsyncGetHostByName has answered
inline constexpr long kNetworkEvents =
    FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE | FD_ACCEPT | FD_OOB;
inline constexpr wchar_t kWindowClass[] = L"KasumidoEventLoop";

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

  // What Winsock's network events have told about one watched socket. Winsock records
  // an event once and again only after the call that re-enables it (recv for FD_READ,
  // accept for FD_ACCEPT, a send that would block for FD_WRITE), so readiness is kept
  // here: set by the events, looked at again after each notifier has fired.
  struct WatchedSocket {
    int notifiers = 0;
    bool readable = false;  // data, a connection or urgent data waits
    bool writable = false;  // connected with room to send
    bool ended = false;     // closed or reset by the peer: reads as ready from now on
    bool failed = false;    // the connect failed: ready for both from now on
    // A write notifier stayed enabled after it fired: only select() can tell whether
    // there is room again (Winsock would say so only after a send that would block).
    bool ask_writable = false;
  };

  // One look at the message queue and the network event, blocking up to `wait`: what
  // MsgWaitForMultipleObjectsEx answers.
  DWORD WaitForInputOrNetwork(Milliseconds wait);
  // Handles what the wait answered: the window messages (unless it timed out), the
  // network events (when the network event was signalled), the posted calls, the due
  // timers and the ready notifiers.
  void HandleEvents(DWORD woke);
  void DispatchMessages();
  void TakeNetworkEvents();
  void RunPostedCalls();
  void FireDueTimers();
  void FireNotifiers(const std::vector<std::uint64_t>& ready);
  // The readiness of `notifier`'s socket after its handler ran: what waits to be read,
  // or whether a write notifier left enabled must ask select().
  void LookAgainAfter(std::uint64_t id);
  bool IsReady(const Win32SocketNotifier& notifier) const;
  // The watched notifiers whose sockets are ready, from what the events told (and one
  // select() for the sockets marked ask_writable, if any).
  std::vector<std::uint64_t> ReadyNotifiers();
  void AskWritable();
  bool AnyTimerDue(TimePoint now, TimePoint& next_due) const;

  HWND window_ = nullptr;
  // Signalled by Winsock when one of the watched sockets has a new network event
  // (WSAEventSelect); auto-reset, so the wait that sees it also clears it.
  HANDLE network_event_ = nullptr;
  SystemLookPacer looks_;  // when the last wait asked the system
  std::uint64_t next_id_ = 1;
  std::deque<std::function<void()>> posted_;
  std::map<std::uint64_t, Win32Timer*> timers_;
  std::map<std::uint64_t, Win32SocketNotifier*> notifiers_;
  std::map<SocketHandle, WatchedSocket> watched_sockets_;
  std::map<HANDLE, Win32HostLookup*> lookups_;
};

}  // namespace kasumido::win32_loop
