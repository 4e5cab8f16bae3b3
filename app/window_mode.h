// The program with windows: either the download window as the main window of one download
// run or the version dialog as the main window of "/c", with the windows of the build's
// front end (Qt on Linux, Win32 on Windows; app/qt and app/win32 implement this). The
// event loop is ended after the run (FormActivate) has returned, never from inside one
// of its waits.
#pragma once

#include <string>

#include "shell/form_dll.h"

namespace kasumido {

class DownloadWindow;

// Wires the window to the run controller: every button, the close box and SpeedButtonURL
// to the handler of the same name (ConnectRunHandlers), the window's unhandled
// exceptions to AppException, and the version dialog's links to OpenDocument. The first
// activation runs the whole download (FormActivate) and then ends the application's
// event loop, also when an exception escapes the run; later activations, which arrive
// nested inside the run or after it, return at once.
// REQUIRES: `form` outlives the window's use of its hooks.
void ConnectDownloadWindow(DownloadWindow& window, TFormDLL& form);

// Pumps the event loop: runs one download with the download window as the main window.
// Returns after the run has ended and its window has closed; the run log's END line is
// written before it returns.
void RunDownloadInWindow(int& argc, char** argv, const RunSetup& setup);

// Pumps the event loop: shows the version dialog of `program_file` as the main window
// and returns when the user has closed it. Its links open their pages with OpenDocument.
void ShowVersionDialogWindow(int& argc, char** argv, const std::string& program_file);

}  // namespace kasumido
