#include "ui/win32/dpi.h"

#include "platform/win32/system_library.h"

namespace kasumido {
namespace {

// The functions of Windows 10 1607 and later, looked up once: the program also runs on
// Windows 7, whose user32 lacks them.
struct DpiFunctions {
  UINT(WINAPI* dpi_for_window)(HWND) = nullptr;
  int(WINAPI* metrics_for_dpi)(int, UINT) = nullptr;
  BOOL(WINAPI* adjust_for_dpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
};

const DpiFunctions& Functions() {
  static const DpiFunctions functions = [] {
    DpiFunctions found;
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    found.dpi_for_window =
        LibraryFunction<decltype(found.dpi_for_window)>(user32, "GetDpiForWindow");
    found.metrics_for_dpi =
        LibraryFunction<decltype(found.metrics_for_dpi)>(user32, "GetSystemMetricsForDpi");
    found.adjust_for_dpi =
        LibraryFunction<decltype(found.adjust_for_dpi)>(user32, "AdjustWindowRectExForDpi");
    return found;
  }();
  return functions;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window) {
  if (Functions().dpi_for_window != nullptr && window != nullptr) {
    const UINT dpi = Functions().dpi_for_window(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  if (Functions().metrics_for_dpi != nullptr) {
    return Functions().metrics_for_dpi(index, static_cast<UINT>(dpi));
  }
  return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD ex_style, int dpi) {
  RECT outer{0, 0, client.cx, client.cy};
  if (Functions().adjust_for_dpi != nullptr) {
    Functions().adjust_for_dpi(&outer, style, FALSE, ex_style, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  }
  return {outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace kasumido
