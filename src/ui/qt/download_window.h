// The download window (TFormDLL as the user sees it): the phase caption with the home-page
// and version buttons, the list of analysed titles, the four run buttons and the status
// bar. The run writes to it through DownloadView; the user's actions come out of it as
// On... hooks, which the run controller sets. The window decides nothing about the run.
//
// Activation: every time the window becomes active, and once after it is first shown
// (for desktops that never activate it), OnActivate runs from the event loop, after the
// event that caused it has been handled. The controller runs the whole download inside
// that call and pumps the loop in its waits, so the window stays responsive; nothing in
// the window is destroyed while a hook runs. The window never deletes itself.
//
// Placement: restored from SHV.INI when the window is created (on a screen only), saved
// when it closes and, if it never closed, when it is destroyed.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "shell/download_view.h"
#include "shell/window_placement.h"
#include "shell/view_hooks.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace kasumido {

class AboutDialog;
enum class Glyph;

class DownloadWindow : public QWidget, public DownloadView {
 public:
  // `program_dir`: the folder of the program's executable (SHV.INI lies in its parent).
  // `program_path`: the executable, whose version record the version dialog shows.
  // REQUIRES: a QApplication exists and outlives the window.
  DownloadWindow(std::string program_dir, std::string program_path);
  ~DownloadWindow() override;
  DownloadWindow(const DownloadWindow&) = delete;
  DownloadWindow& operator=(const DownloadWindow&) = delete;

  // DownloadView: Shift_JIS texts in, shown as UTF-16.
  void SetPhaseCaption(std::string_view caption) override;
  std::string PhaseCaption() const override { return phase_caption_; }
  void ClearTitles() override;
  void AddTitle(std::string_view title) override;
  // Lines of the title list: a title holding line breaks counts as several.
  int TitleCount() const override;
  void SetStatusText(std::string_view text) override;
  void SetStatusHint(std::string_view hint) override;
  void SetButtonEnabled(RunButton button, bool enabled) override;
  bool ButtonEnabled(RunButton button) const override;
  // Closes the window at once (OnClose runs inside this call); it is not destroyed.
  void CloseView() override;

  // The user's actions. Unset hooks do nothing.
  std::function<void()> OnPlayClick;
  std::function<void()> OnSkipClick;
  std::function<void()> OnStopClick;
  std::function<void()> OnPauseClick;
  // Every activation, the first included (the controller ignores the later ones).
  std::function<void()> OnActivate;
  // The window is closing (FormClose): by the title bar, CloseView or close().
  std::function<void()> OnClose;
  // SpeedButtonURL: open the publisher's home page.
  std::function<void()> OnUrlClick;
  // SpeedButtonAbout, after the window has shown its version dialog.
  std::function<void()> OnAboutClick;
  // A link of the version dialog: open `url`.
  std::function<void(const std::string& url)> OnOpenLink;
  // What escapes any hook (the application-wide handler).
  ExceptionHandler OnUnhandledException;

  // SpeedButtonAboutClick: creates the version dialog on first use, shows it modeless.
  void ShowAboutForm();
  // The version dialog; null until first shown.
  AboutDialog* AboutForm() const { return about_form_; }
  TWindowPlacement& WindowPlacement1() { return placement_; }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakePanel1();
  QWidget* MakePanel2();
  QPushButton* MakeRunButton(QWidget* panel, const char* name, int left, std::string_view caption,
                             Glyph glyph, std::function<void()> DownloadWindow::*hook);
  void RestorePlacement();
  void SavePlacement();
  void PostActivation();

  std::string program_path_;
  TWindowPlacement placement_;
  std::string phase_caption_;
  bool has_titles_ = false;
  bool placement_saved_ = false;
  bool shown_once_ = false;

  QLabel* phase_label_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QStatusBar* status_bar_ = nullptr;
  QLabel* status_text_ = nullptr;
  std::array<QPushButton*, 4> run_buttons_{};
  AboutDialog* about_form_ = nullptr;
};

}  // namespace kasumido
