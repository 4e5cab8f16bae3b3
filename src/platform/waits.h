// Every way the program waits. Everything runs on one thread, so a wait never sleeps: it
// blocks in the event loop until an event arrives or its time is up, and handles the
// events as they come, so button handlers, timers and network notifications run nested
// inside the waiting call (callers check their stop flags afterwards). No wait spins:
// idle waiting costs no CPU. Times are the loop's clock, which a test loop moves by hand.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/event_loop.h"
#include "platform/files.h"

namespace kasumido {

// The longest single block inside WaitMinutes and the open-ended PumpUntil: their passes
// of 100 ms, never a polling interval (the loop wakes for every event). The waits that
// end at a set moment block until it.
inline constexpr Milliseconds kWaitSlice{100};

// Pumps the event loop until done() holds or `deadline` passes. Answers false on
// time-out. done() is checked before the first wait and after every event.
bool PumpUntil(EventLoop& loop, const std::function<bool()>& done, TimePoint deadline);

// Pumps the event loop until done() holds, however long that takes.
void PumpUntil(EventLoop& loop, const std::function<bool()>& done);

// Pumps the event loop: handles what is ready, then waits for events until `duration`
// has passed, handling them as they come. The waits of the program's rules ("sleep N
// ms, then process messages") are built on this.
void PumpFor(EventLoop& loop, Milliseconds duration);

// Pumps the event loop: handles every event that is ready now, without blocking. Long
// loops call it so that the Stop, Skip and Pause buttons keep working.
void YieldToUI(EventLoop& loop);

// Pumps the event loop: waits `minutes`. Zero, negative and non-numeric durations return
// at once; durations beyond a year are cut to a year.
void WaitMinutes(EventLoop& loop, double minutes);

// Pumps the event loop: opens the file at `path` for reading while other programs may
// read and write it, making up to n + 1 attempts numbered 0 to n, with WaitMinutes(1)
// after each failed attempt below n (none after the last). A path that names a folder is
// not readable and fails. The file at its start on the first success; nothing after n + 1
// failures. A negative n makes one attempt.
std::optional<InputFile> ResetWithRetry(EventLoop& loop, const std::string& path, int n);

}  // namespace kasumido
