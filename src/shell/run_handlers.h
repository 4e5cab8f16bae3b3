// Connects a view's controls to the run controller: each button, the close box and the
// home-page link call the TFormDLL handler of the same name. Any view with the hooks
// OnPlayClick, OnSkipClick, OnStopClick, OnPauseClick and OnClose fits (the console view
// and the window); the optional hooks OnActivate, OnUrlClick and OnUnhandledException
// (to AppException) are wired when the view has them.
#pragma once

#include "shell/form_dll.h"

namespace kasumido {

// REQUIRES: `form` outlives the hooks' use (the view is destroyed first or the hooks are
// cleared).
template <typename View>
void ConnectRunHandlers(View& view, TFormDLL& form) {
  view.OnPlayClick = [&form] { form.ButtonPlayClick(); };
  view.OnSkipClick = [&form] { form.ButtonSkipClick(); };
  view.OnStopClick = [&form] { form.ButtonStopClick(); };
  view.OnPauseClick = [&form] { form.ButtonPauseClick(); };
  view.OnClose = [&form] { form.FormClose(); };
  if constexpr (requires { view.OnActivate; }) view.OnActivate = [&form] { form.FormActivate(); };
  if constexpr (requires { view.OnUrlClick; }) {
    view.OnUrlClick = [&form] { form.SpeedButtonURLClick(); };
  }
  if constexpr (requires { view.OnUnhandledException; }) {
    view.OnUnhandledException = [&form](const std::exception& error) { form.AppException(error); };
  }
}

}  // namespace kasumido
