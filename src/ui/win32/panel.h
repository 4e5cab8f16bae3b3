// A panel of the download window: a child window in the button-face colour that shows
// its caption centred (in the font the window gives it), with a lowered bevel or none,
// and holds controls of its own. What
// its controls tell it (clicks, owner drawing, colours, notifications) goes on to the
// window that holds the panel, so that window handles every control in one place.
#pragma once

#include <windows.h>

#include <string_view>

namespace kasumido {

enum class Bevel { kLowered, kNone };

class Panel {
 public:
  // A panel of `parent` at the given place (the window procedure of `parent` receives
  // what the panel's controls send).
  Panel(HWND parent, Bevel bevel, int id);
  ~Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  HWND Handle() const { return handle_; }
  void SetCaption(std::string_view sjis);

  // The window procedure's part (win32_controls.h).
  void AttachHandle(HWND handle) { handle_ = handle; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void Paint();

  Bevel bevel_;
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;  // owned by the window
};

}  // namespace kasumido
