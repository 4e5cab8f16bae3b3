// The download window's position and size between runs (WindowPlacement1), kept in the
// host's short ini file: "SHV.INI" in the parent of the program's folder, section
// "TFormDLL", keys "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
// "NormPos" and "Visible". Only these keys are written; every other byte of the host's
// file stays as it was.
//
// The rectangles are in the screen's pixels at the scale given by "PixelsPerInch" (96
// unless the window was saved at another scale): a placement saved at another scale is
// restored scaled to the caller's, so the window comes back as large on the screen as it
// was, as the system's own placement functions give it to a program at 96 dpi.
//
// A saved placement is used only when it puts the window on a screen the caller names: a
// NormPos that is malformed, inverted, absurdly large or off every screen is ignored, and
// so is one written by another layout of the window (FormVersion other than 0). A missing
// or unreadable file means "no saved placement", never an error.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kasumido {

inline constexpr std::string_view kPlacementFileName = "SHV.INI";
inline constexpr std::string_view kPlacementSection = "TFormDLL";

// A rectangle in screen pixels; right and bottom lie just outside it.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

enum class ShowCommand { kNormal = 1, kMinimized = 2, kMaximized = 3 };

inline constexpr int kDefaultPixelsPerInch = 96;

struct WindowPlacement {
  ShowCommand show = ShowCommand::kNormal;
  // The window's normal (not maximised, not minimised) geometry.
  ScreenRect normal;
  bool visible = true;
  // The scale `normal` is measured at.
  int pixels_per_inch = kDefaultPixelsPerInch;
  bool operator==(const WindowPlacement&) const = default;
};

// `rect` measured at `from_dpi` dots per inch, measured at `to_dpi` (every coordinate
// scaled, rounded to the nearest pixel).
ScreenRect ScaledRect(const ScreenRect& rect, int from_dpi, int to_dpi);

// The widest and highest window taken from the file, and the least of it that must lie
// on one screen (the whole window when it is smaller).
inline constexpr int kMaxWindowExtent = 16384;
inline constexpr int kMinVisibleExtent = 32;

class TWindowPlacement {
 public:
  // `program_dir` is the folder that holds the program's executable; the store starts
  // inactive, with the ini file "SHV.INI" in that folder's parent.
  explicit TWindowPlacement(const std::string& program_dir);

  const std::string& IniFileName() const { return ini_file_name_; }
  void SetIniFileName(std::string name) { ini_file_name_ = std::move(name); }
  // While inactive, Restore gives nothing and Save writes nothing.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }

  // The saved placement at `pixels_per_inch` when the store is active and the file holds
  // a usable one: a well-formed NormPos that, scaled from the saved PixelsPerInch (96
  // when missing or not a number from 24 to 2400), overlaps one of `screens` by at least
  // kMinVisibleExtent in both directions. ShowCmd other than 2 or 3 reads as normal;
  // Visible "0" as hidden.
  std::optional<WindowPlacement> Restore(const std::vector<ScreenRect>& screens,
                                         int pixels_per_inch = kDefaultPixelsPerInch) const;

  // Writes the seven keys of `placement` (nothing while inactive). Fails, leaving the
  // file as it was, when the file cannot be read whole or cannot be replaced.
  FileWriteStatus Save(const WindowPlacement& placement) const;

 private:
  std::string ini_file_name_;
  bool active_ = false;
};

// "left,top,right,bottom" as the file holds it: four decimal integers, blanks allowed
// around each. Nothing when malformed, inverted (right <= left or bottom <= top), wider
// or higher than kMaxWindowExtent, or beyond the 16-bit screen coordinate range.
std::optional<ScreenRect> ParseNormPos(std::string_view text);
std::string FormatNormPos(const ScreenRect& rect);

// True when `window` overlaps one of `screens` by at least kMinVisibleExtent pixels in
// both directions (or by all of its width or height, where that is less).
bool OnSomeScreen(const ScreenRect& window, const std::vector<ScreenRect>& screens);

}  // namespace kasumido
