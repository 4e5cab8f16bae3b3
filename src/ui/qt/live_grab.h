// Pictures of a live window for the documentation: when the environment variable
// `variable` names a file, the window's content is saved there as PNG some time after
// it is first shown (KASUMIDO_GRAB_AFTER_MS milliseconds, 3000 when unset), from the
// event loop, so also while a download run pumps it. Without the variable: nothing.
#pragma once

class QWidget;

namespace kasumido {

inline constexpr const char* kGrabWindowVariable = "KASUMIDO_GRAB_WINDOW";
inline constexpr const char* kGrabAboutVariable = "KASUMIDO_GRAB_ABOUT";

void GrabLaterIfAsked(QWidget& window, const char* variable);

}  // namespace kasumido
