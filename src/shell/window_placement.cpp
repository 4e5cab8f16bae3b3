#include "shell/window_placement.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

#include "shell/ini_file.h"
#include "text/paths.h"

namespace kasumido {
namespace {

constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;

// The fixed keys: this window has a single layout (FormVersion 0), carries no placement
// flags and keeps no minimised or maximised position.
constexpr std::string_view kFormVersion = "0";
constexpr std::string_view kFlags = "0";
constexpr std::string_view kMinMaxPos = "-1,-1,-1,-1";
// The scales a saved PixelsPerInch may name (from a quarter to 25 times 96 dpi).
constexpr int kMinPixelsPerInch = 24;
constexpr int kMaxPixelsPerInch = 2400;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<int> ParseCoordinate(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  if (value < kMinCoordinate || value > kMaxCoordinate) return std::nullopt;
  return static_cast<int>(value);
}

int ParsePixelsPerInch(std::string_view text) {
  const std::optional<int> value = ParseCoordinate(text);
  if (!value || *value < kMinPixelsPerInch || *value > kMaxPixelsPerInch) {
    return kDefaultPixelsPerInch;
  }
  return *value;
}

int ScaledCoordinate(int value, int from_dpi, int to_dpi) {
  const long long product = static_cast<long long>(value) * to_dpi;
  // Rounded half away from zero, as the system's MulDiv does.
  return static_cast<int>((product + (product < 0 ? -from_dpi / 2 : from_dpi / 2)) / from_dpi);
}

std::string ToText(ShowCommand show) { return std::to_string(static_cast<int>(show)); }

ShowCommand ParseShowCommand(std::string_view text) {
  text = TrimBlanks(text);
  if (text == "2") return ShowCommand::kMinimized;
  if (text == "3") return ShowCommand::kMaximized;
  return ShowCommand::kNormal;
}

}  // namespace

TWindowPlacement::TWindowPlacement(const std::string& program_dir)
    : ini_file_name_(JoinPath(JoinPath(program_dir, ".."), kPlacementFileName)) {}

ScreenRect ScaledRect(const ScreenRect& rect, int from_dpi, int to_dpi) {
  if (from_dpi == to_dpi || from_dpi <= 0) return rect;
  return {ScaledCoordinate(rect.left, from_dpi, to_dpi),
          ScaledCoordinate(rect.top, from_dpi, to_dpi),
          ScaledCoordinate(rect.right, from_dpi, to_dpi),
          ScaledCoordinate(rect.bottom, from_dpi, to_dpi)};
}

std::optional<WindowPlacement> TWindowPlacement::Restore(const std::vector<ScreenRect>& screens,
                                                         int pixels_per_inch) const {
  if (!active_) return std::nullopt;
  const IniFile file = IniFile::Load(ini_file_name_);
  const std::optional<std::string> version = file.Value(kPlacementSection, "FormVersion");
  if (version && TrimBlanks(*version) != kFormVersion) return std::nullopt;
  const std::optional<std::string> norm_pos = file.Value(kPlacementSection, "NormPos");
  if (!norm_pos) return std::nullopt;
  const std::optional<ScreenRect> saved = ParseNormPos(*norm_pos);
  if (!saved) return std::nullopt;
  const int saved_scale =
      ParsePixelsPerInch(file.Value(kPlacementSection, "PixelsPerInch").value_or(""));
  const ScreenRect normal = ScaledRect(*saved, saved_scale, pixels_per_inch);
  if (normal.Width() > kMaxWindowExtent || normal.Height() > kMaxWindowExtent ||
      !OnSomeScreen(normal, screens)) {
    return std::nullopt;
  }

  WindowPlacement placement;
  placement.normal = normal;
  placement.pixels_per_inch = pixels_per_inch;
  placement.show = ParseShowCommand(file.Value(kPlacementSection, "ShowCmd").value_or(""));
  placement.visible = TrimBlanks(file.Value(kPlacementSection, "Visible").value_or("1")) != "0";
  return placement;
}

FileWriteStatus TWindowPlacement::Save(const WindowPlacement& placement) const {
  if (!active_) return FileWriteStatus{true, ini_file_name_, {}};
  const IniValues values = {
      {"FormVersion", std::string(kFormVersion)},
      {"Flags", std::string(kFlags)},
      {"ShowCmd", ToText(placement.show)},
      {"PixelsPerInch", std::to_string(placement.pixels_per_inch)},
      {"MinMaxPos", std::string(kMinMaxPos)},
      {"NormPos", FormatNormPos(placement.normal)},
      {"Visible", placement.visible ? "1" : "0"},
  };
  return WriteIniStrings(ini_file_name_, kPlacementSection, values);
}

std::optional<ScreenRect> ParseNormPos(std::string_view text) {
  int numbers[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = i < 3 ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    const std::optional<int> number = ParseCoordinate(text.substr(0, comma));
    if (!number) return std::nullopt;
    numbers[i] = *number;
    text.remove_prefix(i < 3 ? comma + 1 : comma);
  }
  const ScreenRect rect{numbers[0], numbers[1], numbers[2], numbers[3]};
  if (rect.Width() <= 0 || rect.Height() <= 0) return std::nullopt;
  if (rect.Width() > kMaxWindowExtent || rect.Height() > kMaxWindowExtent) return std::nullopt;
  return rect;
}

std::string FormatNormPos(const ScreenRect& rect) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom);
  return text;
}

bool OnSomeScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens) {
  if (window.Width() <= 0 || window.Height() <= 0) return false;
  const int needed_width = std::min(window.Width(), kMinVisibleExtent);
  const int needed_height = std::min(window.Height(), kMinVisibleExtent);
  return std::any_of(screens.begin(), screens.end(), [&](const ScreenRect& screen) {
    const long long width = static_cast<long long>(std::min(window.right, screen.right)) -
                            std::max(window.left, screen.left);
    const long long height = static_cast<long long>(std::min(window.bottom, screen.bottom)) -
                             std::max(window.top, screen.top);
    return width >= needed_width && height >= needed_height;
  });
}

}  // namespace kasumido
