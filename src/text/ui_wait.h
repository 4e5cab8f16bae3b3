// Waiting without freezing the window: every function here pumps the event loop, so
// button handlers, timers and network notifications run nested inside the call. Callers
// check their stop flags after these calls.
#pragma once

#include <fstream>
#include <string>

#include "platform/event_loop.h"

namespace kasumido {

// Pumps the event loop: handles every event that is ready now, without blocking. Long
// loops call it so that the Stop, Skip and Pause buttons keep working.
void YieldToUI(EventLoop& loop);

// Pumps the event loop: waits `minutes` on the loop's clock, blocking for events at most
// 100 ms at a time and handling them as they come (no spinning). Zero, negative and
// non-numeric durations return at once; durations beyond a year are cut to a year.
void WaitMinutes(EventLoop& loop, double minutes);

// Pumps the event loop: opens the file at `path` for reading into `file`, making up to
// n + 1 attempts numbered 0 to n, with WaitMinutes(1) after each failed attempt below n
// (none after the last). A path that names a folder is not readable and fails. Answers
// true at the first success, with `file` open at its start; false after n + 1 failures,
// with `file` closed. A negative n makes one attempt.
bool ResetWithRetry(EventLoop& loop, const std::string& path, int n, std::ifstream& file);

}  // namespace kasumido
