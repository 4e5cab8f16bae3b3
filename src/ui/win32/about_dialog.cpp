#include "ui/win32/about_dialog.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_event_loop.h"
#include "ui/win32/win32_controls.h"
#include "ui/win32/window_application.h"

namespace kasumido {
namespace {

constexpr wchar_t kDialogClass[] = L"TAboutForm";
constexpr int kClientWidth = 334;
constexpr int kClientHeight = 204;
constexpr COLORREF kBackground = RGB(240, 251, 255);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
constexpr int kImageMainSize = 64;
constexpr int kImageSubSize = 32;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

HBRUSH BackgroundBrush() {
  static const HBRUSH brush = CreateSolidBrush(kBackground);
  return brush;
}

// A bitmap of `width` x `height` in the screen's format, filled with the background.
HBITMAP MakePicture(HDC screen, int width, int height) {
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, picture);
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, BackgroundBrush());
  SelectObject(dc, old);
  DeleteDC(dc);
  return picture;
}

}  // namespace

AboutDialog::AboutDialog(const AboutContent& content, AboutRole role, HWND owner)
    : role_(role), owner_(role == AboutRole::kMainWindow ? nullptr : owner) {
  EnsureCommonControls();
  RegisterOwnedWindowClass<AboutDialog>(kDialogClass, BackgroundBrush(), ClassIcon::kMainIcon);
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  CreateWindowExW(kExStyle | (owner_ == nullptr ? WS_EX_APPWINDOW : 0), kDialogClass,
                  WideFromSjis(content.caption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  outer.right - outer.left, outer.bottom - outer.top, owner_, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("the version dialog cannot be created: " +
                             SystemErrorText(GetLastError()));
  }
  tool_tip_ = MakeToolTip(handle_);
  // Made first: first in the tab order. Its identifier makes Esc (IDCANCEL) press it.
  btn_cancel_ = MakeControl(handle_, L"BUTTON", content.ok_caption, BS_DEFPUSHBUTTON | WS_TABSTOP,
                            127, 169, 75, 25, IDCANCEL);
  image_main_ =
      MakeControl(handle_, L"STATIC", "", SS_BITMAP, 8, 8, kImageMainSize, kImageMainSize);
  image_sub_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BITMAP, 232, 16, kImageSubSize,
                               kImageSubSize, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
  DrawIcon();
  AddLabel(80, 8, content.title, WindowFont());
  AddLabel(80, 32, content.version, WindowFont());
  AddLabel(80, 56, content.copy_left, WindowFont());
  AddLabel(8, 76, content.latest_version_note, WindowFont());
  AddLink(32, 96, content.home_page, content.link_hint);
  AddLabel(8, 120, content.contact_note, WindowFont());
  AddLink(32, 144, content.board, content.link_hint);
  AddDialogNavigation(handle_);
}

AboutDialog::~AboutDialog() {
  if (handle_ != nullptr) {
    RemoveDialogNavigation(handle_);
    DestroyWindow(handle_);
  }
  if (tool_tip_ != nullptr) DestroyWindow(tool_tip_);
  if (sub_picture_ != nullptr) DeleteObject(sub_picture_);
  if (main_picture_ != nullptr) DeleteObject(main_picture_);
}

HWND AboutDialog::AddLabel(int left, int top, const std::string& text, HFONT font) {
  const std::wstring wide = WideFromSjis(text);
  HDC dc = GetDC(handle_);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(handle_, dc);
  HWND label = MakeControl(handle_, L"STATIC", text, SS_NOPREFIX | SS_NOTIFY, left, top,
                           size.cx + 1, size.cy);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  return label;
}

void AboutDialog::AddLink(int left, int top, const std::string& url, const std::string& hint) {
  HWND link = AddLabel(left, top, url, UnderlinedWindowFont());
  SetToolTip(tool_tip_, link, hint);
  links_.push_back({link, url});
}

void AboutDialog::DrawIcon() {
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (icon == nullptr) return;  // both images stay empty
  HDC screen = GetDC(nullptr);
  sub_picture_ = MakePicture(screen, kImageSubSize, kImageSubSize);
  main_picture_ = MakePicture(screen, kImageMainSize, kImageMainSize);
  HDC sub = CreateCompatibleDC(screen);
  HDC main = CreateCompatibleDC(screen);
  const HGDIOBJ old_sub = SelectObject(sub, sub_picture_);
  const HGDIOBJ old_main = SelectObject(main, main_picture_);
  DrawIconEx(sub, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  SetStretchBltMode(main, COLORONCOLOR);
  StretchBlt(main, 0, 0, kImageMainSize, kImageMainSize, sub, 0, 0, kImageSubSize, kImageSubSize,
             SRCCOPY);
  SelectObject(sub, old_sub);
  SelectObject(main, old_main);
  DeleteDC(sub);
  DeleteDC(main);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  SendMessageW(image_sub_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(sub_picture_));
  SendMessageW(image_main_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(main_picture_));
}

void AboutDialog::Show() {
  if (!shown_once_) {
    shown_once_ = true;
    CentreOnOwner();
  }
  ShowWindow(handle_, SW_SHOWNORMAL);
  SetForegroundWindow(handle_);
  SetFocus(btn_cancel_);
}

bool AboutDialog::Visible() const { return IsWindowVisible(handle_) != FALSE; }

void AboutDialog::CentreOnOwner() {
  RECT around{};
  if (owner_ != nullptr) {
    GetWindowRect(owner_, &around);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  }
  RECT own;
  GetWindowRect(handle_, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  SetWindowPos(handle_, nullptr, around.left + (around.right - around.left - width) / 2,
               around.top + (around.bottom - around.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutDialog::Close() {
  ShowWindow(handle_, SW_HIDE);
  if (owner_ != nullptr) SetActiveWindow(owner_);
  RunHook(OnClose, OnUnhandledException);
  if (role_ == AboutRole::kMainWindow) WindowApplication::Quit();
}

const AboutDialog::Link* AboutDialog::FindLink(HWND control) const {
  for (const Link& link : links_) {
    if (link.control == control) return &link;
  }
  return nullptr;
}

LRESULT AboutDialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id == IDCANCEL || id == IDOK) {  // OK, Esc or Enter
        Close();
        return 0;
      }
      const Link* link = FindLink(reinterpret_cast<HWND>(lparam));
      if (link != nullptr && HIWORD(wparam) == STN_CLICKED) {
        RunHook(
            [this, link] {
              if (OnOpenLink) OnOpenLink(link->url);
            },
            OnUnhandledException);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, FindLink(reinterpret_cast<HWND>(lparam)) != nullptr ? kLinkBlue : kNavy);
      SetBkColor(dc, kBackground);
      return reinterpret_cast<LRESULT>(BackgroundBrush());
    }
    case WM_SETCURSOR:
      if (FindLink(reinterpret_cast<HWND>(wparam)) != nullptr) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wparam, lparam);
}

}  // namespace kasumido
