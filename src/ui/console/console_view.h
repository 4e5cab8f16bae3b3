// The download run on a terminal: the run's output channels printed as UTF-8 lines, and
// the run buttons mapped to keys. Captions ("== ") and titles (" * ") are printed as they
// come; the URL of each fetch ("-> ") and the status texts ("   ") too, except transfer
// progress ("<file>: <n> Bytes"), which is printed at most every kProgressInterval so a
// fast download does not flood the terminal; the final text of a transfer always shows.
//
// Keys, when standard input is a terminal (read without echo, one key at a time; the
// terminal's mode is restored when the view goes): p pause, r resume, s skip, q stop,
// each only while its button is enabled. Keys are also read from the FIFO named by
// KASUMIDO_TEST_CONTROL when that is set, so tests can press them. SIGINT and SIGTERM
// close the view like the window's close box (the run stops and still writes its END
// line); they are carried into the event loop through a pipe and never handled inside
// the signal handler. A second signal ends the program at once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/event_loop.h"
#include "shell/download_view.h"

namespace kasumido {

inline constexpr Milliseconds kProgressInterval{250};

class ConsoleView final : public DownloadView {
 public:
  // Writes to `out_fd`; keys from `in_fd` when it is a terminal.
  // REQUIRES: `loop` outlives the view.
  ConsoleView(EventLoop& loop, int out_fd, int in_fd);
  // The destructor restores the terminal and the signals' previous handling.
  ConsoleView(const ConsoleView&) = delete;
  ConsoleView& operator=(const ConsoleView&) = delete;

  // Starts reading keys and catching SIGINT and SIGTERM. Only one view may listen to
  // the signals at a time.
  void Start();

  // The view's controls, as the window has them. The pause handler waits inside its
  // call, so keys reach it through the event loop (posted), never nested in the key read.
  std::function<void()> OnPlayClick;
  std::function<void()> OnSkipClick;
  std::function<void()> OnStopClick;
  std::function<void()> OnPauseClick;
  // The user asked to close (a signal), or the run closed the view.
  std::function<void()> OnClose;

  // Handles one key as if it had been read (tests; the key reader uses it too).
  void PressKey(char key);

  void SetPhaseCaption(std::string_view caption) override;
  std::string PhaseCaption() const override { return caption_; }
  void ClearTitles() override { title_count_ = 0; }
  void AddTitle(std::string_view title) override;
  int TitleCount() const override { return title_count_; }
  void SetStatusText(std::string_view text) override;
  void SetStatusHint(std::string_view hint) override;
  void SetButtonEnabled(RunButton button, bool enabled) override;
  bool ButtonEnabled(RunButton button) const override;
  void CloseView() override;

  bool Closed() const { return closed_; }

 private:
  void PrintLine(std::string_view prefix, std::string_view sjis_text);

  EventLoop& loop_;
  CallQueue calls_;
  Console console_;
  std::string caption_;
  int title_count_ = 0;
  bool buttons_[4] = {false, true, true, true};
  bool closed_ = false;
  TimePoint last_progress_{};
  bool progress_shown_ = false;
};

}  // namespace kasumido
