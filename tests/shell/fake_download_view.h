// A download view that records what the run shows, for the shell tests. Texts stay
// Shift_JIS as the run writes them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/download_view.h"

namespace kasumido::test {

class FakeDownloadView final : public DownloadView {
 public:
  void SetPhaseCaption(std::string_view caption) override {
    caption_ = caption;
    captions.emplace_back(caption);
  }
  std::string PhaseCaption() const override { return caption_; }
  void ClearTitles() override {
    titles.clear();
    ++clear_count;
  }
  void AddTitle(std::string_view title) override { titles.emplace_back(title); }
  int TitleCount() const override { return static_cast<int>(titles.size()); }
  void SetStatusText(std::string_view text) override {
    status_text = text;
    status_texts.emplace_back(text);
    if (OnStatusText) OnStatusText(text);
  }
  void SetStatusHint(std::string_view hint) override {
    status_hint = hint;
    if (OnStatusHint) OnStatusHint(hint);
  }
  void SetButtonEnabled(RunButton button, bool enabled) override {
    buttons[static_cast<int>(button)] = enabled;
  }
  bool ButtonEnabled(RunButton button) const override { return buttons[static_cast<int>(button)]; }
  void CloseView() override {
    ++close_count;
    if (OnClose) OnClose();
  }

  // Buttons as the window starts: Play disabled, Skip, Stop and Pause enabled.
  std::array<bool, 4> buttons = {false, true, true, true};
  std::vector<std::string> captions;
  std::vector<std::string> titles;
  std::vector<std::string> status_texts;
  std::string status_text;
  std::string status_hint;
  int clear_count = 0;
  int close_count = 0;
  std::function<void()> OnClose;
  std::function<void(std::string_view text)> OnStatusText;
  std::function<void(std::string_view hint)> OnStatusHint;  // set at the start of each fetch

 private:
  std::string caption_;
};

}  // namespace kasumido::test
