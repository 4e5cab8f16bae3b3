// The version dialog (TAboutForm): the program's icon, product name, version and author,
// and two links to the maker's home page and support board. Its texts are filled once,
// at creation. Closing it (OK, Esc or the title bar) hides it; as the program's main
// window ("/c") it also ends the program's event loop.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "about/about_content.h"
#include "shell/view_hooks.h"

class QLabel;
class QPushButton;

namespace kasumido {

class LinkLabel;

enum class AboutRole { kMainWindow, kOpenedFromWindow };

class AboutDialog : public QDialog {
 public:
  // A dialog showing `content`. With a `parent` it is centred over it when first shown.
  AboutDialog(const AboutContent& content, AboutRole role, QWidget* parent = nullptr);

  // A link was clicked: open `url` (the maker's home page or board). The dialog stays.
  std::function<void(const std::string& url)> OnOpenLink;
  // The dialog has closed (it is hidden; as the main window the event loop is ending).
  std::function<void()> OnClose;
  ExceptionHandler OnUnhandledException;

  AboutRole Role() const { return role_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* AddLabel(const char* name, int left, int top, const std::string& text);
  LinkLabel* AddLink(const char* name, int left, int top, const std::string& url,
                     const std::string& hint);
  // FormCreate's pictures: the icon drawn at its own size on ImageSub, then copied
  // stretched into ImageMain.
  void DrawIcon();

  AboutRole role_;
  bool shown_once_ = false;
  QLabel* image_main_ = nullptr;
  QLabel* image_sub_ = nullptr;
  QPushButton* btn_cancel_ = nullptr;
};

}  // namespace kasumido
