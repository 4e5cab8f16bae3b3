// Handing a document or web address to the desktop's default program, as the window's
// links and the version dialog do. Starting it never blocks the caller, its result is
// ignored, and no child process is left behind to reap.
#pragma once

#include <string>
#include <vector>

namespace kasumido {

// Opens `target` (a path or a URL) with "xdg-open" (on Windows ShellExecuteW "open",
// with `parameters`), started detached, in the folder part
// of `target` when that names an existing folder. Nothing is reported when no program
// takes it. "xdg-open" opens one target and takes no options, so `parameters` is not
// passed on.
void OpenDocument(const std::string& target, const std::string& parameters);

// Starts `argv` (argv[0] looked up in PATH) as a grandchild that is re-parented at once,
// so it never becomes a zombie of this process: standard input and output go to
// /dev/null, every descriptor above standard error is closed, and it runs in
// `working_dir` when that is not empty (staying in the current folder when it cannot
// change there). Returns as soon as the short-lived middle process has been reaped;
// answers false when no process could be started.
bool StartDetached(const std::vector<std::string>& argv, const std::string& working_dir);

}  // namespace kasumido
