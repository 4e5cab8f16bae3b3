// What the download window shows: the output channels of a run (phase caption, title
// list, status text and hint, the four run buttons' enabled states). The run writes them
// through this interface only; the Qt window and the console view implement it. Every
// text crossing it is Shift_JIS; a view converts at its own boundary.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

enum class RunButton { kPlay, kSkip, kStop, kPause };

class DownloadView {
 public:
  virtual ~DownloadView() = default;

  // One line naming what the run is doing (Panel1's caption).
  virtual void SetPhaseCaption(std::string_view caption) = 0;
  virtual std::string PhaseCaption() const = 0;

  // The title list (Memo1): one line per analysed detail page.
  virtual void ClearTitles() = 0;
  virtual void AddTitle(std::string_view title) = 0;
  virtual int TitleCount() const = 0;

  // The status bar's text and hint.
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetStatusHint(std::string_view hint) = 0;

  virtual void SetButtonEnabled(RunButton button, bool enabled) = 0;
  virtual bool ButtonEnabled(RunButton button) const = 0;

  // The run has ended: close the window (the program then ends).
  virtual void CloseView() = 0;
};

}  // namespace kasumido
