// The version dialog (TAboutForm), in plain Win32: the program's icon, product name,
// version and author, and two links to the maker's home page and support board. Its
// texts are filled once, at creation; its places, sizes, font and icon follow its scale
// (dpi.h), also when it moves to a monitor of another scale. Closing it (OK, Esc or the
// close box) hides it; as the program's main window ("/c") it also ends the program's
// message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/about_content.h"
#include "shell/view_hooks.h"
#include "ui/win32/dpi.h"
#include "ui/win32/win32_controls.h"

namespace kasumido {

enum class AboutRole { kMainWindow, kOpenedFromWindow };

class AboutDialog {
 public:
  // A hidden dialog showing `content`. Opened from the download window it is owned by
  // `owner` (it stays above it and is centred on it); as the main window it has no owner
  // and is centred on the screen.
  AboutDialog(const AboutContent& content, AboutRole role, HWND owner = nullptr);
  ~AboutDialog();
  AboutDialog(const AboutDialog&) = delete;
  AboutDialog& operator=(const AboutDialog&) = delete;

  // Shows the dialog modeless and brings it to the front; centred the first time.
  void Show();
  bool Visible() const;
  HWND Handle() const { return handle_; }
  AboutRole Role() const { return role_; }

  // A link was clicked: open `url` (the maker's home page or board). The dialog stays.
  std::function<void(const std::string& url)> OnOpenLink;
  // The dialog has closed (it is hidden; as the main window the message loop is ending).
  std::function<void()> OnClose;
  ExceptionHandler OnUnhandledException;

  // The window procedure's part (win32_controls.h).
  void AttachHandle(HWND handle) { handle_ = handle; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  struct Link {
    HWND control;
    std::string url;
  };
  // A control's place and size at 96 dpi; a size of 0 x 0 is its text's (a label).
  struct Placed {
    HWND control;
    POINT place;
    SIZE size;
  };

  HWND Add(const wchar_t* window_class, const std::string& text, DWORD style, POINT place,
           SIZE size, int id = 0);
  HWND AddLabel(POINT place, const std::string& text);
  void AddLink(POINT place, const std::string& url, const std::string& hint);
  // The link shown by `control`; null when it is no link.
  const Link* FindLink(HWND control) const;
  // The dialog's scale: its fonts, icons and pictures at `dpi`.
  void ApplyScale(int dpi);
  // The dialog's size and every control's place and size at its scale.
  void Layout();
  // FormCreate's pictures at the dialog's scale: the icon drawn at its own size on
  // ImageSub, and taken at ImageMain's size from the icon file and drawn whole on it
  // (never stretched from a smaller picture).
  void DrawIcon();
  // The icon drawn at `size` on a picture of the dialog's background; null without one.
  HBITMAP DrawIconPicture(int size) const;
  void Close();
  void CentreOnOwner();

  AboutRole role_;
  HWND owner_;
  HWND handle_ = nullptr;
  int dpi_ = kDesignDpi;
  std::unique_ptr<WindowFonts> fonts_;
  WindowIcons icons_;
  std::vector<Placed> placed_;
  HWND image_main_ = nullptr;
  HWND image_sub_ = nullptr;
  HWND btn_cancel_ = nullptr;
  HWND tool_tip_ = nullptr;
  HBITMAP sub_picture_ = nullptr;
  HBITMAP main_picture_ = nullptr;
  std::vector<Link> links_;
  bool shown_once_ = false;
};

}  // namespace kasumido
