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
#include "ui/win32/glyphs.h"
#include "ui/win32/win32_controls.h"

namespace kasumido {
namespace {

constexpr wchar_t kWindowClass[] = L"TFormDLL";
// The window's first place and size, and its least size (outer pixels).
constexpr int kFirstLeft = 168;
constexpr int kFirstTop = 102;
constexpr int kFirstWidth = 368;
constexpr int kFirstHeight = 237;
constexpr int kMinimumWidth = 250;
constexpr int kMinimumHeight = 150;
constexpr int kPanel1Height = 41;
constexpr int kPanel2Height = 26;
// The status bar's text area; with its borders the bar is 24 pixels high.
constexpr int kStatusTextHeight = 20;

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

}  // namespace

DownloadWindow::DownloadWindow(EventLoop& loop, std::string program_dir, std::string program_path)
    : calls_(loop), program_path_(std::move(program_path)), placement_(program_dir) {
  EnsureCommonControls();
  RegisterOwnedWindowClass<DownloadWindow>(
      kWindowClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), ClassIcon::kMainIcon);
  CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, WideFromSjis(texts::kWindowCaption).c_str(),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, kFirstLeft, kFirstTop, kFirstWidth,
                  kFirstHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("the download window cannot be created: " +
                             SystemErrorText(GetLastError()));
  }
  CreateControls();
  AddDialogNavigation(handle_);
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
      MakeControl(panel1_->Handle(), L"BUTTON", "", BS_OWNERDRAW, 304, 8, 23, 22, kUrlButtonId);
  about_button_ =
      MakeControl(panel1_->Handle(), L"BUTTON", "", BS_OWNERDRAW, 328, 8, 23, 22, kAboutButtonId);
  memo_ = MakeControl(handle_, L"EDIT", "",
                      WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
                      kPanel1Height, 0, 0, kMemoId, WS_EX_CLIENTEDGE);
  SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);
  panel2_ = std::make_unique<Panel>(handle_, Bevel::kNone, kPanel2Id);
  for (std::size_t i = 0; i < run_buttons_.size(); ++i) {
    const RunButtonLook& look = RunButtonLooks()[i];
    run_buttons_[i] =
        MakeControl(panel2_->Handle(), L"BUTTON", look.caption, BS_OWNERDRAW | WS_TABSTOP,
                    look.left, 1, 81, 25, kPlayButtonId + static_cast<int>(i));
  }
  EnableWindow(run_buttons_[Index(RunButton::kPlay)], FALSE);
  status_bar_ =
      MakeControl(handle_, STATUSCLASSNAMEW, "", SBARS_SIZEGRIP, 0, 0, 0, 0, kStatusBarId);
  SendMessageW(status_bar_, SB_SETMINHEIGHT, kStatusTextHeight, 0);
  tool_tip_ = MakeToolTip(handle_);
  SetToolTip(tool_tip_, url_button_, texts::kHintOpenHomePage);
}

void DownloadWindow::Layout() {
  RECT client;
  GetClientRect(handle_, &client);
  const int width = client.right;
  const int height = client.bottom;
  SendMessageW(status_bar_, WM_SIZE, 0, 0);  // the bar places itself at the bottom
  RECT bar;
  GetWindowRect(status_bar_, &bar);
  const int bar_height = bar.bottom - bar.top;
  const int panel2_top = std::max(kPanel1Height, height - bar_height - kPanel2Height);
  MoveWindow(panel1_->Handle(), 0, 0, width, kPanel1Height, TRUE);
  MoveWindow(memo_, 0, kPanel1Height, width, panel2_top - kPanel1Height, TRUE);
  MoveWindow(panel2_->Handle(), 0, panel2_top, width, kPanel2Height, TRUE);
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
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMinTrackSize = {kMinimumWidth, kMinimumHeight};
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
    DrawGlyphButton(item, Glyph::kHomePage, ButtonFace::kFlat);
  } else if (item.hwndItem == about_button_) {
    DrawGlyphButton(item, Glyph::kAbout, ButtonFace::kFlat);
  } else {
    for (std::size_t i = 0; i < run_buttons_.size(); ++i) {
      if (item.hwndItem == run_buttons_[i]) {
        DrawGlyphButton(item, RunButtonLooks()[i].glyph, ButtonFace::kRaised);
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
  const std::optional<WindowPlacement> saved = placement_.Restore(VisibleMonitors());
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
  // A file that cannot be written keeps its old placement; the run is not disturbed.
  (void)placement_.Save(placement);
}

}  // namespace kasumido
