// The download window (TFormDLL as the user sees it), in plain Win32: the phase caption
// with the home-page and version buttons (Panel1), the list of analysed titles (Memo1),
// the four run buttons (Panel2) and the status bar. The run writes to it through
// DownloadView; the user's actions come out of it as On... hooks, which the run
// controller sets. The window decides nothing about the run.
//
// Activation: every time the window becomes active, and once when it is first shown (for
// desktops that never activate it), OnActivate is posted to the event loop, so the run
// starts outside the window procedure. The controller runs the whole download inside
// that call and pumps the loop in its waits, so the window stays responsive; nothing in
// the window is destroyed while a hook runs. Every hook runs guarded: what escapes it
// goes to OnUnhandledException.
//
// Closing (the close box, CloseView): OnClose runs, the placement is saved and the
// window is hidden; it is destroyed with the object. Placement: restored from SHV.INI
// when the window is created (onto a visible monitor only, scaled from the scale it was
// saved at), saved when it closes and, if it never closed, when it is destroyed.
//
// Scale: every place, size and font comes from the window's DPI (dpi.h), and a move to a
// monitor of another scale (WM_DPICHANGED) lays the window out anew at the size the
// system suggests.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "shell/download_view.h"
#include "shell/view_hooks.h"
#include "shell/window_placement.h"
#include "ui/win32/dpi.h"
#include "ui/win32/panel.h"
#include "ui/win32/win32_controls.h"

namespace kasumido {

class AboutDialog;

class DownloadWindow : public DownloadView {
 public:
  // `program_dir`: the folder of the program's executable (SHV.INI lies in its parent).
  // `program_path`: the executable, whose version record the version dialog shows.
  // Creates the window hidden, at its saved placement or at its first place.
  // REQUIRES: `loop` is the thread's loop and outlives the window.
  DownloadWindow(EventLoop& loop, std::string program_dir, std::string program_path);
  ~DownloadWindow() override;
  DownloadWindow(const DownloadWindow&) = delete;
  DownloadWindow& operator=(const DownloadWindow&) = delete;

  // Shows the window (maximised when it was saved so).
  void Show();
  HWND Handle() const { return handle_; }

  // DownloadView: Shift_JIS texts in, shown as UTF-16.
  void SetPhaseCaption(std::string_view caption) override;
  std::string PhaseCaption() const override { return phase_caption_; }
  void ClearTitles() override;
  void AddTitle(std::string_view title) override;
  // Lines of the title list: a title holding line breaks counts as several.
  int TitleCount() const override { return title_lines_; }
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
  // The window is closing (FormClose): by the close box or CloseView.
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
  AboutDialog* AboutForm() const { return about_form_.get(); }
  TWindowPlacement& WindowPlacement1() { return placement_; }
  // The control of a run button (for the window's own tests and the program's checks).
  HWND ButtonHandle(RunButton button) const;
  HWND MemoHandle() const { return memo_; }

  // The window procedure's part (win32_controls.h).
  void AttachHandle(HWND handle) { handle_ = handle; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void CreateControls();
  // The window's scale: its fonts, the status bar's height and its icons at `dpi`.
  void ApplyScale(int dpi);
  // Every control's place and size at the window's scale.
  void Layout();
  void OnCommand(int id);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void PostActivation();
  void Close();
  void RestorePlacement();
  void SavePlacement();

  CallQueue calls_;
  std::string program_path_;
  TWindowPlacement placement_;
  std::string phase_caption_;
  int title_lines_ = 0;
  bool placement_saved_ = false;
  bool shown_once_ = false;
  bool show_maximized_ = false;

  HWND handle_ = nullptr;
  int dpi_ = kDesignDpi;
  std::unique_ptr<WindowFonts> fonts_;
  WindowIcons icons_;
  std::unique_ptr<Panel> panel1_;
  std::unique_ptr<Panel> panel2_;
  HWND memo_ = nullptr;
  HWND status_bar_ = nullptr;
  HWND tool_tip_ = nullptr;
  HWND url_button_ = nullptr;
  HWND about_button_ = nullptr;
  std::array<HWND, 4> run_buttons_{};
  std::unique_ptr<AboutDialog> about_form_;
};

}  // namespace kasumido
