// The terminal of a program started from a shell: its output, single keys from its input,
// and the user's request to stop. Keys are read one at a time without echo while the
// input is a terminal (its mode is restored when the console goes), and also from a FIFO
// when one is named, so tests can press them. SIGINT and SIGTERM become OnStopRequest,
// carried into the event loop and never handled inside the signal handler; a second one
// ends the program at once, the terminal restored. A closed output only loses text.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"

namespace kasumido {

class Console {
 public:
  // Writes to the descriptor `out`; keys from `in` when it is a terminal.
  // REQUIRES: `loop` outlives the console.
  Console(EventLoop& loop, int out, int in);
  // Restores the terminal and the signals' previous handling.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Starts reading keys (also from the FIFO at `control_path` when that is not empty) and
  // catching SIGINT and SIGTERM. Only one console may listen to the signals at a time.
  void Start(const std::string& control_path);

  // Writes all of `bytes`.
  void Write(std::string_view bytes);

  // One key, from the loop.
  std::function<void(char key)> OnKey;
  // SIGINT or SIGTERM arrived, from the loop.
  std::function<void()> OnStopRequest;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kasumido
