// The windows of a program under test that runs in a process of its own, found and
// clicked as a user finds and clicks them: by the window's class and caption, a button
// by its control identifier, the close box by asking the window where it is. Clicks are
// real mouse input (SendInput) at the control's place on the screen; nothing is taken
// from the program's source but its control identifiers.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace kasumido::test {

// The top-level window of class `window_class` (and caption `caption` when not empty),
// waiting for it up to `timeout`; null when none came.
HWND WaitForWindow(const wchar_t* window_class, const std::string& caption_utf8,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The control of `window` with identifier `id`, searched in every level of children.
HWND FindControl(HWND window, int id);

// A left click in the middle of `control`, as the mouse gives it.
void ClickControl(HWND control);
// A left click on `window`'s close box; false when the window shows none.
bool ClickCloseBox(HWND window);

}  // namespace kasumido::test
