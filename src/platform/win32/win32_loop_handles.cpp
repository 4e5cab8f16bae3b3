#include "platform/win32/win32_loop_parts.h"

#include <cstring>

namespace kasumido::win32_loop {

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

}  // namespace kasumido::win32_loop
