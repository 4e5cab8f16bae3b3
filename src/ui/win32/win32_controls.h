// What the Win32 windows of the program share: the window font, child controls made
// from Shift_JIS texts, tooltips, window classes whose procedure is a member function,
// and the program's icon. Every text crosses to Windows as UTF-16 converted from
// Shift_JIS (code page 932), so the windows read right on any system code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kasumido {

// Registers the common controls' window classes (the status bar, the tooltips) once per
// process; every window that uses them calls it first.
void EnsureCommonControls();

// The window font at one scale: "ＭＳ Ｐゴシック", 12 pixels high at 96 dpi, Shift_JIS
// character set (Windows substitutes a Japanese font where it is missing), and the same
// font underlined (the link labels). A window keeps one for its current scale.
class WindowFonts {
 public:
  explicit WindowFonts(int dpi);
  ~WindowFonts();
  WindowFonts(const WindowFonts&) = delete;
  WindowFonts& operator=(const WindowFonts&) = delete;

  HFONT Regular() const { return regular_; }
  HFONT Underlined() const { return underlined_; }

 private:
  HFONT regular_;
  HFONT underlined_;
};

// Gives `font` to every control inside `window` (children and theirs).
void SetFontOfControls(HWND window, HFONT font);
// The font a control was given (WM_GETFONT); the system's font when none.
HFONT FontOf(HWND control);

// A child control of `parent` with its text `sjis` and the control identifier `id`; its
// font is given by its window (SetFontOfControls).
HWND MakeControl(HWND parent, const wchar_t* window_class, std::string_view sjis, DWORD style,
                 int left, int top, int width, int height, int id = 0, DWORD ex_style = 0);
void SetControlText(HWND control, std::string_view sjis);
std::wstring ControlText(HWND control);

// A tooltip window for the controls of `owner`, shown also while the owner is inactive.
HWND MakeToolTip(HWND owner);
// Shows `sjis` as the tip of `tool` (added on first use, its text replaced later; an
// empty text shows no tip).
void SetToolTip(HWND tool_tip, HWND tool, std::string_view sjis);

// The program's icon "MAINICON" at `size` pixels, taken from the image of that size in
// the icon file (or scaled from the nearest one); null when the resource is missing. The
// caller destroys it with DestroyIcon.
HICON LoadMainIcon(int size);

// The title-bar and task-bar icons of a window at its scale: MAINICON at the sizes the
// system asks for at `dpi` (WM_SETICON). Owned here, destroyed with the object.
class WindowIcons {
 public:
  WindowIcons() = default;
  ~WindowIcons() { Release(); }
  WindowIcons(const WindowIcons&) = delete;
  WindowIcons& operator=(const WindowIcons&) = delete;

  void SetFor(HWND window, int dpi);

 private:
  void Release();

  HICON big_ = nullptr;
  HICON small_ = nullptr;
};

enum class ClassIcon { kNone, kMainIcon };

// Registers the window class `name` once per process: the cursor is the arrow, the
// background `background` (a brush or a system colour + 1), the icon MAINICON or none,
// and the procedure hands every message to `Owner::HandleMessage(UINT, WPARAM, LPARAM)`
// of the object passed as the creation parameter (CreateWindowExW's last argument). The
// owner learns its handle through `AttachHandle` before its first message and is given
// a null handle once the window is gone (after WM_NCDESTROY).
template <typename Owner>
void RegisterOwnedWindowClass(const wchar_t* name, HBRUSH background,
                              ClassIcon icon = ClassIcon::kNone);

// ---- template definitions ------------------------------------------------------------

namespace win32_window {

// The object whose HandleMessage serves the window, stored from WM_NCCREATE on.
template <typename Owner>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    owner->AttachHandle(window);
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (owner == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message != WM_NCDESTROY) return owner->HandleMessage(message, wparam, lparam);
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  const LRESULT result = owner->HandleMessage(message, wparam, lparam);
  owner->AttachHandle(nullptr);  // destroyed (also with its parent): nothing left to destroy
  return result;
}

void RegisterClassOnce(const wchar_t* name, WNDPROC procedure, HBRUSH background, ClassIcon icon);

}  // namespace win32_window

template <typename Owner>
void RegisterOwnedWindowClass(const wchar_t* name, HBRUSH background, ClassIcon icon) {
  win32_window::RegisterClassOnce(name, &win32_window::OwnedWindowProc<Owner>, background, icon);
}

}  // namespace kasumido
