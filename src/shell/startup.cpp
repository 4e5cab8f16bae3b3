#include "shell/startup.h"

#include <charconv>
#include <chrono>
#include <random>

#include "platform/ascii.h"
#include "platform/environment.h"

namespace kasumido {
namespace {

std::string Variable(const char* name) { return EnvironmentValue(name).value_or(std::string()); }

}  // namespace

StartMode ChooseStartMode(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return StartMode::kDownload;
  return EqualsIgnoringAsciiCase(argv[1], "/c") ? StartMode::kVersionDialog : StartMode::kDownload;
}

ViewKind ChooseViewKind() {
  const std::string ui = Variable(kUiVariable);
  if (ui == "console") return ViewKind::kConsole;
  // The platform plug-in the toolkit will load: QT_QPA_PLATFORM up to its options.
  const std::string qpa = Variable("QT_QPA_PLATFORM");
  const std::string platform = qpa.substr(0, qpa.find(':'));
  const bool display_server = !Variable("DISPLAY").empty() || !Variable("WAYLAND_DISPLAY").empty();
  if (ui == "gui") {
    return !platform.empty() || display_server ? ViewKind::kWindow : ViewKind::kConsole;
  }
  const bool seen =
      platform.empty() ? display_server : platform != "offscreen" && platform != "minimal";
  return seen ? ViewKind::kWindow : ViewKind::kConsole;
}

std::string SiteOriginFromEnvironment() {
  std::string origin = Variable(kSiteOriginVariable);
  if (origin.empty()) origin = kDefaultSiteOrigin;
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  return origin;
}

Milliseconds DocumentDeadlineFromEnvironment(Milliseconds fallback) {
  const std::string text = Variable(kDocumentDeadlineVariable);
  int seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || seconds < 1) return fallback;
  return std::chrono::seconds(seconds);
}

Milliseconds RandomStartDelay() {
  std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  return Milliseconds(std::uniform_int_distribution<int>(0, 999)(generator));
}

std::string VersionDialogText(const AboutContent& content) {
  std::string text;
  for (const std::string* line :
       {&content.caption, &content.title, &content.version, &content.copy_left,
        &content.latest_version_note, &content.home_page, &content.contact_note, &content.board}) {
    text += *line;
    text += '\n';
  }
  return text;
}

}  // namespace kasumido
