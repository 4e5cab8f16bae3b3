// The terminal on Windows: text goes to the C library's descriptor `out` in one write per
// call; Ctrl-C, Ctrl-Break and the console's close arrive on a thread of the system's, so
// the handler only counts them and a 100 ms loop timer carries the first one into
// OnStopRequest; a second one ends the program at once. Single keys from the console's
// input and the control FIFO are not read on this platform: the Win32 windows give the
// user the buttons instead.
#include "platform/console.h"

#include <io.h>
#include <windows.h>

#include <atomic>

namespace kasumido {
namespace {

std::atomic<int> g_stop_requests{0};

BOOL WINAPI CatchControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
  if (g_stop_requests.fetch_add(1) >= 1) ExitProcess(0);  // the run did not end in time
  return TRUE;
}

constexpr Milliseconds kStopCheckInterval{100};

}  // namespace

class Console::Impl {
 public:
  Impl(Console& owner, EventLoop& loop, int out) : owner_(owner), loop_(loop), out_(out) {}
  ~Impl() {
    if (listening_) SetConsoleCtrlHandler(CatchControl, FALSE);
  }

  void Start() {
    g_stop_requests = 0;
    listening_ = SetConsoleCtrlHandler(CatchControl, TRUE) != 0;
    stop_check_ = loop_.CreateTimer();
    stop_check_->OnTimer = [this] {
      if (g_stop_requests.load() == 0 || reported_) return;
      reported_ = true;
      if (owner_.OnStopRequest) owner_.OnStopRequest();
    };
    stop_check_->SetInterval(kStopCheckInterval);
    stop_check_->SetEnabled(true);
  }

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const int written = _write(out_, bytes.data(), static_cast<unsigned>(bytes.size()));
      if (written <= 0) return;  // a closed console or pipe only loses the text
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
  }

 private:
  Console& owner_;
  EventLoop& loop_;
  int out_;
  bool listening_ = false;
  bool reported_ = false;
  std::unique_ptr<Timer> stop_check_;
};

Console::Console(EventLoop& loop, int out, int in)
    : impl_(std::make_unique<Impl>(*this, loop, out)) {}

Console::~Console() = default;

void Console::Start(const std::string& control_path) { impl_->Start(); }

void Console::Write(std::string_view bytes) { impl_->Write(bytes); }

}  // namespace kasumido
