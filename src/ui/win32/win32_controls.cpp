#include "ui/win32/win32_controls.h"

#include <commctrl.h>

#include <set>

#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/dpi.h"

namespace kasumido {
namespace {

constexpr int kFontHeight = 12;  // at 96 dpi
// "ＭＳ Ｐゴシック" as UTF-16.
constexpr wchar_t kFontName[] = L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF";

HFONT MakeWindowFont(int dpi, bool underlined) {
  return CreateFontW(-Scaled(kFontHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                     underlined ? TRUE : FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontName);
}

BOOL CALLBACK SetFontOfControl(HWND control, LPARAM font) {
  SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

// The library is loaded here rather than with the program: under Wine its start (the
// window classes, the display driver, the theme) costs tens of milliseconds, which the
// random start-up delay can then cover (ProgramModes::prepare). Loaded by name, so that
// the version the application manifest asks for is the one loaded: from the system
// folder only where the loader can be told so, else as the manifest redirects the name
// (Windows 7 without its 2011 loader update rejects the flag).
void EnsureCommonControls() {
  static const bool registered = [] {
    HMODULE library = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) library = LoadLibraryW(L"comctl32.dll");
    const auto initialize = LibraryFunction<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
        library, "InitCommonControlsEx");
    if (initialize == nullptr) return false;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    return initialize(&controls) != FALSE;
  }();
  (void)registered;
}

WindowFonts::WindowFonts(int dpi)
    : regular_(MakeWindowFont(dpi, false)), underlined_(MakeWindowFont(dpi, true)) {}

WindowFonts::~WindowFonts() {
  DeleteObject(regular_);
  DeleteObject(underlined_);
}

void SetFontOfControls(HWND window, HFONT font) {
  EnumChildWindows(window, SetFontOfControl, reinterpret_cast<LPARAM>(font));
}

HFONT FontOf(HWND control) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HWND MakeControl(HWND parent, const wchar_t* window_class, std::string_view sjis, DWORD style,
                 int left, int top, int width, int height, int id, DWORD ex_style) {
  return CreateWindowExW(ex_style, window_class, WideFromSjis(sjis).c_str(),
                         WS_CHILD | WS_VISIBLE | style, left, top, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void SetControlText(HWND control, std::string_view sjis) {
  SetWindowTextW(control, WideFromSjis(sjis).c_str());
}

std::wstring ControlText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

HWND MakeToolTip(HWND owner) {
  return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

void SetToolTip(HWND tool_tip, HWND tool, std::string_view sjis) {
  if (tool_tip == nullptr || tool == nullptr) return;
  std::wstring text = WideFromSjis(sjis);
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = text.data();
  // Removing a tool the tip does not know yet does nothing; adding it anew sets its text.
  SendMessageW(tool_tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  if (!text.empty()) SendMessageW(tool_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

HICON LoadMainIcon(int size) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
}

void WindowIcons::SetFor(HWND window, int dpi) {
  HICON big_icon = LoadMainIcon(SystemMetricForDpi(SM_CXICON, dpi));
  HICON small_icon = LoadMainIcon(SystemMetricForDpi(SM_CXSMICON, dpi));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
  Release();  // the window no longer shows the old ones
  big_ = big_icon;
  small_ = small_icon;
}

void WindowIcons::Release() {
  if (big_ != nullptr) DestroyIcon(big_);
  if (small_ != nullptr) DestroyIcon(small_);
  big_ = small_ = nullptr;
}

namespace win32_window {

void RegisterClassOnce(const wchar_t* name, WNDPROC procedure, HBRUSH background, ClassIcon icon) {
  static std::set<std::wstring> registered;
  if (!registered.insert(name).second) return;
  WNDCLASSEXW description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = procedure;
  description.hInstance = GetModuleHandleW(nullptr);
  description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  description.hbrBackground = background;
  // Loaded once, with the class; it lives as long as the program.
  description.hIcon = icon == ClassIcon::kMainIcon ? LoadMainIcon(32) : nullptr;
  description.lpszClassName = name;
  RegisterClassExW(&description);
}

}  // namespace win32_window
}  // namespace kasumido
