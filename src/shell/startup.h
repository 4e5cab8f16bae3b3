// What start-up decides before the run or the version dialog exists: the mode from the
// command line, the view from the environment, the site origin, where the program lives,
// the random delay that spreads instances the host starts together, and the version
// dialog's texts for a terminal.
#pragma once

#include <string>
#include <string_view>

#include "about/about_content.h"
#include "platform/event_loop.h"

namespace kasumido {

inline constexpr std::string_view kDefaultSiteOrigin = "http://www.kasumido-shoten.example";
inline constexpr const char* kSiteOriginVariable = "KASUMIDO_SITE_ORIGIN";
inline constexpr const char* kUiVariable = "KASUMIDO_UI";
inline constexpr const char* kReportStartDelayVariable = "KASUMIDO_REPORT_START_DELAY";
inline constexpr const char* kDocumentDeadlineVariable = "KASUMIDO_DOCUMENT_DEADLINE";

enum class StartMode { kVersionDialog, kDownload };
enum class ViewKind { kWindow, kConsole };

// Only the first argument counts: lower-cased and equal to "/c" shows the version
// dialog; anything else (or nothing) runs a download.
StartMode ChooseStartMode(int argc, const char* const* argv);

// KASUMIDO_UI "console": the console. "gui": the window whenever the toolkit can draw
// one at all (QT_QPA_PLATFORM names a platform, or DISPLAY or WAYLAND_DISPLAY is set),
// else the console, since the window could not even be created. Otherwise (unset or
// any other value) the window when a display is available, else the console. A display
// is available when QT_QPA_PLATFORM names a platform other than "offscreen" and
// "minimal" (which draw nothing anyone sees), or, when it names none, when DISPLAY or
// WAYLAND_DISPLAY is set and not empty.
ViewKind ChooseViewKind();

// KASUMIDO_SITE_ORIGIN when set and not empty, else kDefaultSiteOrigin; trailing "/"
// removed.
std::string SiteOriginFromEnvironment();

// KASUMIDO_DOCUMENT_DEADLINE, whole seconds from 1 up, when set to one (whole runs that
// test the deadline, links too slow for the default); else `fallback`.
Milliseconds DocumentDeadlineFromEnvironment(Milliseconds fallback);

// A random whole number of milliseconds from 0 to 999, seeded from the clock.
Milliseconds RandomStartDelay();

// The version dialog as lines of a terminal (Shift_JIS): caption, product, version,
// author, the two notes with their addresses.
std::string VersionDialogText(const AboutContent& content);

}  // namespace kasumido
