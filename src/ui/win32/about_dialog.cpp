#include "ui/win32/about_dialog.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_event_loop.h"
#include "ui/win32/dpi.h"
#include "ui/win32/win32_controls.h"
#include "ui/win32/window_application.h"

namespace kasumido {
namespace {

constexpr wchar_t kDialogClass[] = L"TAboutForm";
// The layout at 96 dpi, scaled to the dialog's.
constexpr SIZE kClientSize{334, 204};
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
  CreateWindowExW(kExStyle | (owner_ == nullptr ? WS_EX_APPWINDOW : 0), kDialogClass,
                  WideFromSjis(content.caption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  kClientSize.cx, kClientSize.cy, owner_, nullptr, GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("the version dialog cannot be created: " +
                             SystemErrorText(GetLastError()));
  }
  tool_tip_ = MakeToolTip(handle_);
  // Made first: first in the tab order. Its identifier makes Esc (IDCANCEL) press it.
  btn_cancel_ = Add(L"BUTTON", content.ok_caption, BS_DEFPUSHBUTTON | WS_TABSTOP, {127, 169},
                    {75, 25}, IDCANCEL);
  image_main_ = Add(L"STATIC", "", SS_BITMAP, {8, 8}, {kImageMainSize, kImageMainSize});
  image_sub_ = Add(L"STATIC", "", SS_BITMAP, {232, 16}, {kImageSubSize, kImageSubSize});
  ShowWindow(image_sub_, SW_HIDE);
  AddLabel({80, 8}, content.title);
  AddLabel({80, 32}, content.version);
  AddLabel({80, 56}, content.copy_left);
  AddLabel({8, 76}, content.latest_version_note);
  AddLink({32, 96}, content.home_page, content.link_hint);
  AddLabel({8, 120}, content.contact_note);
  AddLink({32, 144}, content.board, content.link_hint);
  AddDialogNavigation(handle_);
  ApplyScale(WindowDpi(handle_));
  Layout();
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

HWND AboutDialog::Add(const wchar_t* window_class, const std::string& text, DWORD style,
                      POINT place, SIZE size, int id) {
  HWND control = MakeControl(handle_, window_class, text, style, 0, 0, 0, 0, id);
  placed_.push_back({control, place, size});
  return control;
}

HWND AboutDialog::AddLabel(POINT place, const std::string& text) {
  return Add(L"STATIC", text, SS_NOPREFIX | SS_NOTIFY, place, {0, 0});
}

void AboutDialog::AddLink(POINT place, const std::string& url, const std::string& hint) {
  HWND link = AddLabel(place, url);
  SetToolTip(tool_tip_, link, hint);
  links_.push_back({link, url});
}

void AboutDialog::ApplyScale(int dpi) {
  dpi_ = dpi;
  // The new fonts are given before the old ones go: no control keeps a deleted font.
  auto fonts = std::make_unique<WindowFonts>(dpi);
  SetFontOfControls(handle_, fonts->Regular());
  for (const Link& link : links_) {
    SendMessageW(link.control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->Underlined()), TRUE);
  }
  fonts_ = std::move(fonts);
  icons_.SetFor(handle_, dpi);
  DrawIcon();
}

void AboutDialog::Layout() {
  const SIZE outer = OuterSizeForClient(
      {Scaled(kClientSize.cx, dpi_), Scaled(kClientSize.cy, dpi_)}, kStyle, kExStyle, dpi_);
  SetWindowPos(handle_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HDC dc = GetDC(handle_);
  for (const Placed& item : placed_) {
    SIZE size{Scaled(item.size.cx, dpi_), Scaled(item.size.cy, dpi_)};
    if (item.size.cx == 0) {  // a label: as large as its text in its font
      const std::wstring text = ControlText(item.control);
      const HGDIOBJ old = SelectObject(dc, FontOf(item.control));
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      SelectObject(dc, old);
      size.cx += 1;
    }
    MoveWindow(item.control, Scaled(item.place.x, dpi_), Scaled(item.place.y, dpi_), size.cx,
               size.cy, TRUE);
  }
  ReleaseDC(handle_, dc);
}

void AboutDialog::DrawIcon() {
  const int main_size = Scaled(kImageMainSize, dpi_);
  const int sub_size = Scaled(kImageSubSize, dpi_);
  HBITMAP sub_picture = DrawIconPicture(sub_size);
  HBITMAP main_picture = DrawIconPicture(main_size);
  if (sub_picture == nullptr || main_picture == nullptr) {  // no icon: both images stay empty
    if (sub_picture != nullptr) DeleteObject(sub_picture);
    if (main_picture != nullptr) DeleteObject(main_picture);
    return;
  }
  SendMessageW(image_sub_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(sub_picture));
  SendMessageW(image_main_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(main_picture));
  if (sub_picture_ != nullptr) DeleteObject(sub_picture_);
  if (main_picture_ != nullptr) DeleteObject(main_picture_);
  sub_picture_ = sub_picture;
  main_picture_ = main_picture;
}

HBITMAP AboutDialog::DrawIconPicture(int size) const {
  HICON icon = LoadMainIcon(size);
  if (icon == nullptr) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP picture = MakePicture(screen, size, size);
  HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, picture);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  return picture;
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
    case WM_DPICHANGED: {  // moved to a monitor of another scale: at the suggested place
      ApplyScale(LOWORD(wparam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(handle_, nullptr, suggested.left, suggested.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wparam, lparam);
}

}  // namespace kasumido
