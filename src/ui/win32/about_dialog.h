// The version dialog (TAboutForm), in plain Win32: the program's icon, product name,
// version and author, and two links to the maker's home page and support board. Its
// texts are filled once, at creation. Closing it (OK, Esc or the close box) hides it; as
// the program's main window ("/c") it also ends the program's message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "about/about_content.h"
#include "shell/view_hooks.h"

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

  HWND AddLabel(int left, int top, const std::string& text, HFONT font);
  void AddLink(int left, int top, const std::string& url, const std::string& hint);
  // The link shown by `control`; null when it is no link.
  const Link* FindLink(HWND control) const;
  // FormCreate's pictures: the icon drawn at its own size on ImageSub, then copied
  // stretched into ImageMain.
  void DrawIcon();
  void Close();
  void CentreOnOwner();

  AboutRole role_;
  HWND owner_;
  HWND handle_ = nullptr;
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
