#include "ui/win32/download_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "about/about_content.h"
#include "kasumido/texts.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_event_loop.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/dpi.h"
#include "ui/win32/glyphs.h"
#include "ui/win32/win32_controls.h"

namespace kasumido {
namespace {

constexpr wchar_t kWindowClass[] = L"TFormDLL";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
// The layout at 96 dpi, scaled to the window's: its first place and size and its least
// size (outer pixels at 96 dpi, of which the client area keeps what the frame leaves),
// the panels' heights, the two glyph buttons on Panel1 and the run buttons on Panel2.
constexpr POINT kFirstPlace{168, 102};
constexpr SIZE kFirstSize{368, 237};
constexpr SIZE kMinimumSize{250, 150};
constexpr int kPanel1Height = 41;
constexpr int kPanel2Height = 26;
constexpr RECT kUrlButton{304, 8, 304 + 23, 8 + 22};
constexpr RECT kAboutButton{328, 8, 328 + 23, 8 + 22};
constexpr int kRunButtonTop = 1;
constexpr SIZE kRunButtonSize{81, 25};
constexpr int kStatusBarHeight = 24;

enum ControlId : int {
  kPanel1Id = 100,
  kPanel2Id,
  kUrlButtonId = 110,
  kAboutButtonId,
  kPlayButtonId = 120,  // the run buttons in RunButton's order
  kMemoId = 130,
  kStatusBarId,
};

struct RunButtonLook {
  int left;
  std::string_view caption;
  Glyph glyph;
  std::function<void()> DownloadWindow::*hook;
};

// Left, caption, glyph and hook of each run button, in RunButton's (and tab) order.
const std::array<RunButtonLook, 4>& RunButtonLooks() {
  static const std::array<RunButtonLook, 4> looks{{
      {8, texts::kButtonPlay, Glyph::kPlay, &DownloadWindow::OnPlayClick},
      {97, texts::kButtonSkip, Glyph::kSkip, &DownloadWindow::OnSkipClick},
      {184, texts::kButtonStop, Glyph::kStop, &DownloadWindow::OnStopClick},
      {272, texts::kButtonPause, Glyph::kPause, &DownloadWindow::OnPauseClick},
  }};
  return looks;
}

std::size_t Index(RunButton button) { return static_cast<std::size_t>(button); }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM screens) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& area = info.rcWork;
    reinterpret_cast<std::vector<ScreenRect>*>(screens)->push_back(
        {area.left, area.top, area.right, area.bottom});
  }
  return TRUE;
}

std::vector<ScreenRect> VisibleMonitors() {
  std::vector<ScreenRect> screens;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&screens));
  return screens;
}

// `text` with every line break (CR LF, a lone CR or LF) as CR LF, as the edit control
// shows them; `lines` gets the number of lines it holds.
std::wstring WithLineBreaks(const std::wstring& text, int& lines) {
  std::wstring shown;
  shown.reserve(text.size() + 2);
  lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      shown += L"\r\n";
      ++lines;
    } else {
      shown += c;
    }
  }
  return shown;
}

// The outer size at `dpi` of a window whose outer size at 96 dpi is `design`: its client
// area scaled, its frame as the system draws it at `dpi`.
SIZE OuterSizeAt(SIZE design, int dpi) {
  const SIZE frame = OuterSizeForClient({0, 0}, kStyle, kExStyle, kDesignDpi);
  return OuterSizeForClient({Scaled(design.cx - frame.cx, dpi), Scaled(design.cy - frame.cy, dpi)},
                            kStyle, kExStyle, dpi);
}

}  // namespace

DownloadWindow::DownloadWindow(EventLoop& loop, std::string program_dir, std::string program_path)
    : calls_(loop), program_path_(std::move(program_path)), placement_(program_dir) {
  EnsureCommonControls();
  RegisterOwnedWindowClass<DownloadWindow>(
      kWindowClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), ClassIcon::kMainIcon);
  CreateWindowExW(kExStyle, kWindowClass, WideFromSjis(texts::kWindowCaption).c_str(), kStyle,
                  kFirstPlace.x, kFirstPlace.y, kFirstSize.cx, kFirstSize.cy, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("the download window cannot be created: " +
                             SystemErrorText(GetLastError()));
  }
  CreateControls();
  AddDialogNavigation(handle_);
  ApplyScale(WindowDpi(handle_));
  const SIZE first = OuterSizeAt(kFirstSize, dpi_);
  SetWindowPos(handle_, nullptr, Scaled(kFirstPlace.x, dpi_), Scaled(kFirstPlace.y, dpi_), first.cx,
               first.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  RestorePlacement();
  Layout();
}

DownloadWindow::~DownloadWindow() {
  if (handle_ == nullptr) return;
  if (!placement_saved_) SavePlacement();
  about_form_.reset();
  RemoveDialogNavigation(handle_);
  DestroyWindow(handle_);
}

void DownloadWindow::CreateControls() {
  panel1_ = std::make_unique<Panel>(handle_, Bevel::kLowered, kPanel1Id);
  url_button_ =
      MakeControl(panel1_->Handle(), L"BUTTON", "", BS_OWNERDRAW, 0, 0, 0, 0, kUrlButtonId);
  about_button_ =
      MakeControl(panel1_->Handle(), L"BUTTON", "", BS_OWNERDRAW, 0, 0, 0, 0, kAboutButtonId);
  memo_ = MakeControl(handle_, L"EDIT", "",
                      WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                      0, 0, kMemoId, WS_EX_CLIENTEDGE);
  SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);
  panel2_ = std::make_unique<Panel>(handle_, Bevel::kNone, kPanel2Id);
  for (std::size_t i = 0; i < run_buttons_.size(); ++i) {
    run_buttons_[i] =
        MakeControl(panel2_->Handle(), L"BUTTON", RunButtonLooks()[i].caption,
                    BS_OWNERDRAW | WS_TABSTOP, 0, 0, 0, 0, kPlayButtonId + static_cast<int>(i));
  }
  EnableWindow(run_buttons_[Index(RunButton::kPlay)], FALSE);
  status_bar_ = MakeControl(handle_, STATUSCLASSNAMEW, "", SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0,
                            0, kStatusBarId);
  tool_tip_ = MakeToolTip(handle_);
  SetToolTip(tool_tip_, url_button_, texts::kHintOpenHomePage);
}

void DownloadWindow::ApplyScale(int dpi) {
  dpi_ = dpi;
  // The new fonts are given before the old ones go: no control keeps a deleted font.
  auto fonts = std::make_unique<WindowFonts>(dpi);
  SetFontOfControls(handle_, fonts->Regular());
  fonts_ = std::move(fonts);
  icons_.SetFor(handle_, dpi);
}

void DownloadWindow::Layout() {
  RECT client;
  GetClientRect(handle_, &client);
  const int width = client.right;
  const int height = client.bottom;
  // Placed here, not by itself (CCS_NORESIZE): a bar sizes itself from system metrics,
  // which keep the scale the program started at.
  const int bar_height = Scaled(kStatusBarHeight, dpi_);
  MoveWindow(status_bar_, 0, height - bar_height, width, bar_height, TRUE);
  const int panel1_height = Scaled(kPanel1Height, dpi_);
  const int panel2_height = Scaled(kPanel2Height, dpi_);
  const int panel2_top = std::max(panel1_height, height - bar_height - panel2_height);
  MoveWindow(panel1_->Handle(), 0, 0, width, panel1_height, TRUE);
  MoveWindow(memo_, 0, panel1_height, width, panel2_top - panel1_height, TRUE);
  MoveWindow(panel2_->Handle(), 0, panel2_top, width, panel2_height, TRUE);
  const auto place = [this](HWND control, const RECT& design) {
    MoveWindow(control, Scaled(design.left, dpi_), Scaled(design.top, dpi_),
               Scaled(design.right - design.left, dpi_), Scaled(design.bottom - design.top, dpi_),
               TRUE);
  };
  place(url_button_, kUrlButton);
  place(about_button_, kAboutButton);
  for (std::size_t i = 0; i < run_buttons_.size(); ++i) {
    const int left = RunButtonLooks()[i].left;
    place(run_buttons_[i],
          {left, kRunButtonTop, left + kRunButtonSize.cx, kRunButtonTop + kRunButtonSize.cy});
  }
}

void DownloadWindow::Show() {
  ShowWindow(handle_, show_maximized_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(handle_);
}

LRESULT DownloadWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (memo_ != nullptr) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = OuterSizeAt(kMinimumSize, dpi_);
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {least.cx, least.cy};
      return 0;
    }
    case WM_DPICHANGED: {  // moved to a monitor of another scale: at the suggested place
      ApplyScale(LOWORD(wparam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(handle_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) PostActivation();
      break;
    case WM_SHOWWINDOW:
      if (wparam != 0 && !shown_once_) {
        shown_once_ = true;
        PostActivation();
      }
      break;
    case WM_SETFOCUS:
      if (memo_ != nullptr) SetFocus(memo_);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return 0;  // Enter and Esc (IDOK, IDCANCEL) do nothing here
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == memo_) {  // read-only, yet white like a list
        SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
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

void DownloadWindow::OnCommand(int id) {
  switch (id) {
    case kUrlButtonId:
      RunHook(OnUrlClick, OnUnhandledException);
      return;
    case kAboutButtonId:
      RunHook([this] { ShowAboutForm(); }, OnUnhandledException);
      RunHook(OnAboutClick, OnUnhandledException);
      return;
    default:
      if (id >= kPlayButtonId && id < kPlayButtonId + static_cast<int>(run_buttons_.size())) {
        RunHook(this->*RunButtonLooks()[static_cast<std::size_t>(id - kPlayButtonId)].hook,
                OnUnhandledException);
      }
      return;
  }
}

void DownloadWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem == url_button_) {
    DrawGlyphButton(item, Glyph::kHomePage, ButtonFace::kFlat, dpi_);
  } else if (item.hwndItem == about_button_) {
    DrawGlyphButton(item, Glyph::kAbout, ButtonFace::kFlat, dpi_);
  } else {
    for (std::size_t i = 0; i < run_buttons_.size(); ++i) {
      if (item.hwndItem == run_buttons_[i]) {
        DrawGlyphButton(item, RunButtonLooks()[i].glyph, ButtonFace::kRaised, dpi_);
      }
    }
  }
}

void DownloadWindow::SetPhaseCaption(std::string_view caption) {
  phase_caption_ = caption;
  panel1_->SetCaption(caption);
}

void DownloadWindow::ClearTitles() {
  SetWindowTextW(memo_, L"");
  title_lines_ = 0;
}

void DownloadWindow::AddTitle(std::string_view title) {
  int lines = 0;
  std::wstring shown = WithLineBreaks(WideFromSjis(title), lines);
  if (title_lines_ > 0) shown.insert(0, L"\r\n");
  const LPARAM end = GetWindowTextLengthW(memo_);
  SendMessageW(memo_, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
  SendMessageW(memo_, EM_SCROLLCARET, 0, 0);
  title_lines_ += lines;
}

void DownloadWindow::SetStatusText(std::string_view text) {
  SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(WideFromSjis(text).c_str()));
}

void DownloadWindow::SetStatusHint(std::string_view hint) {
  SetToolTip(tool_tip_, status_bar_, hint);
}

void DownloadWindow::SetButtonEnabled(RunButton button, bool enabled) {
  EnableWindow(run_buttons_[Index(button)], enabled ? TRUE : FALSE);
}

bool DownloadWindow::ButtonEnabled(RunButton button) const {
  return IsWindowEnabled(run_buttons_[Index(button)]) != FALSE;
}

HWND DownloadWindow::ButtonHandle(RunButton button) const { return run_buttons_[Index(button)]; }

void DownloadWindow::CloseView() { SendMessageW(handle_, WM_CLOSE, 0, 0); }

void DownloadWindow::Close() {
  RunHook(OnClose, OnUnhandledException);
  if (IsWindowVisible(handle_)) SavePlacement();
  ShowWindow(handle_, SW_HIDE);
}

void DownloadWindow::ShowAboutForm() {
  if (about_form_ == nullptr) {
    about_form_ = std::make_unique<AboutDialog>(ReadAboutContent(program_path_),
                                                AboutRole::kOpenedFromWindow, handle_);
    about_form_->OnOpenLink = [this](const std::string& url) {
      if (OnOpenLink) OnOpenLink(url);
    };
    about_form_->OnUnhandledException = [this](const std::exception& error) {
      ReportException(error, OnUnhandledException);
    };
  }
  about_form_->Show();
}

void DownloadWindow::PostActivation() {
  calls_.Post([this] { RunHook(OnActivate, OnUnhandledException); });
}

void DownloadWindow::RestorePlacement() {
  placement_.SetActive(true);
  const std::optional<WindowPlacement> saved = placement_.Restore(VisibleMonitors(), dpi_);
  if (!saved) return;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(handle_, &placement);
  const ScreenRect& normal = saved->normal;
  placement.rcNormalPosition = {normal.left, normal.top, normal.right, normal.bottom};
  placement.showCmd = SW_HIDE;  // shown by Show
  placement.flags = 0;
  SetWindowPlacement(handle_, &placement);
  // A window saved minimised or hidden comes back normal: the run must be seen.
  show_maximized_ = saved->show == ShowCommand::kMaximized;
}

void DownloadWindow::SavePlacement() {
  placement_saved_ = true;
  WINDOWPLACEMENT current{};
  current.length = sizeof current;
  if (!GetWindowPlacement(handle_, &current)) return;
  const RECT& normal = current.rcNormalPosition;
  WindowPlacement placement;
  placement.normal = {normal.left, normal.top, normal.right, normal.bottom};
  placement.show = IsZoomed(handle_)   ? ShowCommand::kMaximized
                   : IsIconic(handle_) ? ShowCommand::kMinimized
                                       : ShowCommand::kNormal;
  placement.visible = IsWindowVisible(handle_) != FALSE;
  placement.pixels_per_inch = dpi_;
  // A file that cannot be written keeps its old placement; the run is not disturbed.
  (void)placement_.Save(placement);
}

}  // namespace kasumido
