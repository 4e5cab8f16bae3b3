// The scale of the program's windows. The program is per-monitor DPI aware (its
// manifest): the system never stretches its windows, so each window lays itself out from
// the dots per inch of the monitor it is on. Every length of the windows is designed at
// 96 dpi and scaled with Scaled; when a window moves to a monitor of another scale it is
// told so by WM_DPICHANGED and lays itself out again.
#pragma once

#include <windows.h>

namespace kasumido {

inline constexpr int kDesignDpi = 96;

// The dots per inch of the monitor `window` is on: GetDpiForWindow where the system has
// it (Windows 10 1607 and later), else the screen's (LOGPIXELSX), which older systems
// use for every monitor.
int WindowDpi(HWND window);

// `length` designed at 96 dpi, at `dpi` (rounded to the nearest pixel).
inline int Scaled(int length, int dpi) { return MulDiv(length, dpi, kDesignDpi); }

// GetSystemMetricsForDpi where present; else the system's metric scaled from the
// screen's dots per inch to `dpi`.
int SystemMetricForDpi(int index, int dpi);

// The outer size of a window of `style` whose client area is `client` at `dpi`
// (AdjustWindowRectExForDpi where present).
SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD ex_style, int dpi);

}  // namespace kasumido
