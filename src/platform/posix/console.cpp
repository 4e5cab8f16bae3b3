#include "platform/console.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

namespace kasumido {
namespace {

// What the signal handler may touch: plain values set before the handler is installed.
struct SignalTarget {
  volatile sig_atomic_t write_fd = -1;
  volatile sig_atomic_t count = 0;
  volatile sig_atomic_t restore_terminal = 0;
  int terminal_fd = -1;
  struct termios terminal {};
};
SignalTarget g_signal_target;

extern "C" void CatchSignal(int signal_number) {
  const int saved_errno = errno;
  g_signal_target.count = g_signal_target.count + 1;
  if (g_signal_target.count >= 2) {
    // A second signal: the run did not end in time. End now, terminal restored.
    if (g_signal_target.restore_terminal) {
      tcsetattr(g_signal_target.terminal_fd, TCSANOW, &g_signal_target.terminal);
    }
    _exit(0);
  }
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  if (g_signal_target.write_fd >= 0 && write(g_signal_target.write_fd, &byte, 1) < 0) {
    // The pipe is full or gone: the first byte already reached the loop.
  }
  errno = saved_errno;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // a closed terminal or pipe only loses the text
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

// The self-pipe of SIGINT and SIGTERM, with the handlers it replaced.
class SignalPipe {
 public:
  SignalPipe() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
    g_signal_target.count = 0;
    g_signal_target.write_fd = fds_[1];
    struct sigaction action {};
    action.sa_handler = CatchSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &old_pipe_);  // a closed terminal must not kill the run
  }
  ~SignalPipe() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
    sigaction(SIGPIPE, &old_pipe_, nullptr);
    g_signal_target.write_fd = -1;
    for (int fd : fds_) {
      if (fd >= 0) close(fd);
    }
  }
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  int ReadFd() const { return fds_[0]; }
  // Empties the pipe; true when a signal had arrived.
  bool Drain() {
    bool any = false;
    unsigned char bytes[16];
    while (read(fds_[0], bytes, sizeof bytes) > 0) any = true;
    return any;
  }

 private:
  int fds_[2] = {-1, -1};
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
  struct sigaction old_pipe_ {};
};

}  // namespace

class Console::Impl {
 public:
  Impl(Console& owner, EventLoop& loop, int out, int in)
      : owner_(owner), loop_(loop), out_(out), in_(in) {}

  ~Impl() {
    // Notifiers go before their descriptors.
    signal_notifier_.reset();
    signals_.reset();
    key_notifier_.reset();
    control_notifier_.reset();
    if (control_fd_ >= 0) close(control_fd_);
    if (terminal_raw_) {
      g_signal_target.restore_terminal = 0;
      tcsetattr(in_, TCSANOW, &saved_terminal_);
    }
  }

  void Start(const std::string& control_path) {
    control_path_ = control_path;
    signals_ = std::make_unique<SignalPipe>();
    if (signals_->ReadFd() >= 0) {
      signal_notifier_ = loop_.CreateSocketNotifier(signals_->ReadFd(), SocketEvent::kRead);
      signal_notifier_->OnActivated = [this] { HandleSignal(); };
      signal_notifier_->SetEnabled(true);
    }
    StartKeys();
  }

  void Write(std::string_view bytes) { WriteAll(out_, bytes); }

 private:
  void StartKeys() {
    if (isatty(in_) && tcgetattr(in_, &saved_terminal_) == 0) {
      struct termios raw = saved_terminal_;
      raw.c_lflag &= ~(ICANON | ECHO);  // one key at a time, not echoed; Ctrl-C still signals
      raw.c_cc[VMIN] = 1;
      raw.c_cc[VTIME] = 0;
      if (tcsetattr(in_, TCSANOW, &raw) == 0) {
        terminal_raw_ = true;
        g_signal_target.terminal_fd = in_;
        g_signal_target.terminal = saved_terminal_;
        g_signal_target.restore_terminal = 1;
        key_notifier_ = loop_.CreateSocketNotifier(in_, SocketEvent::kRead);
        key_notifier_->OnActivated = [this] { ReadKeys(in_); };
        key_notifier_->SetEnabled(true);
      }
    }
    if (!control_path_.empty()) {
      // Opened for writing too, so the FIFO never reads as ended between two writers.
      control_fd_ = open(control_path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (control_fd_ >= 0) {
        control_notifier_ = loop_.CreateSocketNotifier(control_fd_, SocketEvent::kRead);
        control_notifier_->OnActivated = [this] { ReadKeys(control_fd_); };
        control_notifier_->SetEnabled(true);
      }
    }
  }

  void ReadKeys(int fd) {
    char keys[64];
    const ssize_t got = read(fd, keys, sizeof keys);
    if (got <= 0) {
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
      // End of input: stop watching it.
      if (fd == in_ && key_notifier_) key_notifier_->SetEnabled(false);
      if (fd == control_fd_ && control_notifier_) control_notifier_->SetEnabled(false);
      return;
    }
    for (ssize_t i = 0; i < got; ++i) {
      if (owner_.OnKey) owner_.OnKey(keys[i]);
    }
  }

  void HandleSignal() {
    if (!signals_->Drain()) return;
    if (owner_.OnStopRequest) owner_.OnStopRequest();
  }

  Console& owner_;
  EventLoop& loop_;
  int out_;
  int in_;
  std::string control_path_;
  bool terminal_raw_ = false;
  struct termios saved_terminal_ {};
  int control_fd_ = -1;
  std::unique_ptr<SocketNotifier> key_notifier_;
  std::unique_ptr<SocketNotifier> control_notifier_;
  std::unique_ptr<SignalPipe> signals_;
  std::unique_ptr<SocketNotifier> signal_notifier_;
};

Console::Console(EventLoop& loop, int out, int in)
    : impl_(std::make_unique<Impl>(*this, loop, out, in)) {}

Console::~Console() = default;

void Console::Start(const std::string& control_path) { impl_->Start(control_path); }

void Console::Write(std::string_view bytes) { impl_->Write(bytes); }

}  // namespace kasumido
