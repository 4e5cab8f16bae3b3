#include "ui/console/console_view.h"

#include "platform/ascii.h"

#include "platform/utf8.h"
#include "shell/environment.h"

namespace kasumido {
namespace {

constexpr std::string_view kProgressSuffix = " Bytes";
constexpr const char* kControlVariable = "KASUMIDO_TEST_CONTROL";

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

ConsoleView::ConsoleView(EventLoop& loop, int out_fd, int in_fd)
    : loop_(loop), calls_(loop), console_(loop, out_fd, in_fd) {
  console_.OnKey = [this](char key) { PressKey(key); };
  console_.OnStopRequest = [this] {
    if (OnClose) OnClose();
  };
}

void ConsoleView::Start() { console_.Start(GetEnvValue(kControlVariable)); }

void ConsoleView::PressKey(char key) {
  switch (AsciiLower(key)) {
    case 'p':
      // The pause waits inside its handler: run it from the loop, not inside this read.
      calls_.Post([this] {
        if (ButtonEnabled(RunButton::kPause) && OnPauseClick) OnPauseClick();
      });
      break;
    case 'r':
      if (ButtonEnabled(RunButton::kPlay) && OnPlayClick) OnPlayClick();
      break;
    case 's':
      if (ButtonEnabled(RunButton::kSkip) && OnSkipClick) OnSkipClick();
      break;
    case 'q':
      if (ButtonEnabled(RunButton::kStop) && OnStopClick) OnStopClick();
      break;
    default:
      break;
  }
}

void ConsoleView::PrintLine(std::string_view prefix, std::string_view sjis_text) {
  std::string line(prefix);
  line += Utf8FromSjis(sjis_text);
  line += '\n';
  console_.Write(line);
}

void ConsoleView::SetPhaseCaption(std::string_view caption) {
  caption_ = caption;
  PrintLine("== ", caption);
}

void ConsoleView::AddTitle(std::string_view title) {
  ++title_count_;
  PrintLine(" * ", title);
}

void ConsoleView::SetStatusText(std::string_view text) {
  if (EndsWith(text, kProgressSuffix)) {
    const TimePoint now = loop_.Now();
    if (progress_shown_ && now - last_progress_ < kProgressInterval) return;
    progress_shown_ = true;
    last_progress_ = now;
  }
  PrintLine("   ", text);
}

void ConsoleView::SetStatusHint(std::string_view hint) { PrintLine("-> ", hint); }

void ConsoleView::SetButtonEnabled(RunButton button, bool enabled) {
  buttons_[static_cast<int>(button)] = enabled;
}

bool ConsoleView::ButtonEnabled(RunButton button) const {
  return buttons_[static_cast<int>(button)];
}

void ConsoleView::CloseView() {
  if (closed_) return;
  closed_ = true;
  if (OnClose) OnClose();
}

}  // namespace kasumido
