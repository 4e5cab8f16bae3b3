#include "shell/startup.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace kasumido {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

StartMode ChooseStartMode(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return StartMode::kDownload;
  std::string first = argv[1];
  for (char& c : first) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return first == "/c" ? StartMode::kVersionDialog : StartMode::kDownload;
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

std::string ProgramFile() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !path.is_absolute()) return {};
  return path.string();
}

std::string FolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return file.substr(0, slash);
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
