#include "e2e/win32/program_windows.h"

#include "platform/win32/wide_text.h"
#include "support/encoding.h"
#include "support/poll_until.h"

namespace kasumido::test {
namespace {

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND control, LPARAM search) {
  auto* wanted = reinterpret_cast<Search*>(search);
  if (GetDlgCtrlID(control) != wanted->id) return TRUE;
  wanted->found = control;
  return FALSE;
}

// A real left click at `point` on the screen: the pointer moved there, pressed, released.
void ClickAt(POINT point) {
  SetCursorPos(point.x, point.y);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3]{};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65535, width - 1);
    input.mi.dy = MulDiv(point.y, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &inputs[0], sizeof(INPUT));
  Sleep(100);
  SendInput(2, &inputs[1], sizeof(INPUT));
}

}  // namespace

HWND WaitForWindow(const wchar_t* window_class, const std::string& caption_utf8,
                   std::chrono::milliseconds timeout) {
  const std::wstring caption = caption_utf8.empty() ? L"" : WideFromSjis(Sjis(caption_utf8));
  HWND window = nullptr;
  PollUntil(
      [&] {
        window = FindWindowW(window_class, caption.empty() ? nullptr : caption.c_str());
        return window != nullptr && IsWindowVisible(window);
      },
      Clock::now() + timeout);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND FindControl(HWND window, int id) {
  Search search{id, nullptr};
  EnumChildWindows(window, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void ClickControl(HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  ClickAt({(place.left + place.right) / 2, (place.top + place.bottom) / 2});
}

bool ClickCloseBox(HWND window) {
  RECT frame;
  GetWindowRect(window, &frame);
  // The window tells which of its points is the close box (WM_NCHITTEST); the title bar
  // is searched from its right end.
  for (int y = frame.top + 2; y < frame.top + 60; y += 2) {
    for (int x = frame.right - 2; x > frame.right - 120; x -= 2) {
      const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      if (hit == HTCLOSE) {
        ClickAt({x - 4, y + 4});  // inside from its top-right corner
        return true;
      }
    }
  }
  return false;
}

}  // namespace kasumido::test
