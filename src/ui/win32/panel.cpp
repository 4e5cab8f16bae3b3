#include "ui/win32/panel.h"

#include <string>

#include "ui/win32/win32_controls.h"

namespace kasumido {
namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";

}  // namespace

Panel::Panel(HWND parent, Bevel bevel, int id) : bevel_(bevel) {
  RegisterOwnedWindowClass<Panel>(kPanelClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                  0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                  GetModuleHandleW(nullptr), this);
}

Panel::~Panel() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

void Panel::SetCaption(std::string_view sjis) {
  SetControlText(handle_, sjis);
  InvalidateRect(handle_, nullptr, TRUE);
}

LRESULT Panel::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      InvalidateRect(handle_, nullptr, TRUE);  // the caption stays centred
      return 0;
    case WM_SETFONT:  // the caption's font, given by the window at its scale
      font_ = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam) != 0) InvalidateRect(handle_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetParent(handle_), message, wparam, lparam);
    default:
      return DefWindowProcW(handle_, message, wparam, lparam);
  }
}

void Panel::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(handle_, &paint);
  RECT area;
  GetClientRect(handle_, &area);
  if (bevel_ == Bevel::kLowered) DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  const std::wstring caption = ControlText(handle_);
  const HGDIOBJ old_font = SelectObject(dc, FontOf(handle_));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old_font);
  EndPaint(handle_, &paint);
}

}  // namespace kasumido
