// Paths as the operating system forms them: its separator, what counts as an absolute
// path and as a root folder, where its temporary folders are, and where the program
// itself lives. Joining and splitting paths is text work (text/paths.h) on top of this.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kasumido {

// "/" on Linux, "\" on Windows: the separator of every path the program builds, since the
// host reads the paths in the master file and the run log in its own form.
char PathSeparator();

// True when `path` does not depend on the current folder.
bool IsAbsolutePath(std::string_view path);

// True when `path` names a root folder and nothing below it ("/", "//", "C:\", "\").
bool IsRootFolder(std::string_view path);

// The system's own temporary folders, best first, each possibly unusable (the caller
// checks): on Linux TMPDIR when set, then "/tmp"; on Windows what GetTempPathW answers.
std::vector<std::string> SystemTempFolders();

// The program's executable as an absolute path, never taken from the current folder;
// empty when it cannot be found.
std::string ProgramFile();

}  // namespace kasumido
