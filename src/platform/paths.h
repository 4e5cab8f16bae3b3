// Paths as the operating system forms them: its separator, what counts as an absolute
// path and as a root folder, where its temporary folders are, and where the program
// itself lives. Joining and splitting paths is text work (text/paths.h) on top of this.
//
// Paths are path text, not the program's Shift_JIS: on Windows UTF-8 (the seam turns it
// into UTF-16 for the system without loss), on Linux the file system's own bytes (UTF-8
// by convention). Every function of the seam that takes or gives a path speaks it (the
// environment, the program file, the temporary folders, every file function). Text
// crosses into it and out of it only here, strictly: a name made from Shift_JIS text by
// PathFromSjis, a path written into the host's Shift_JIS files by SjisPathForHost.
#pragma once

#include <optional>
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

// The name or path `sjis` (Shift_JIS text: a work file's name, a cover named after a
// book) as path text; nothing when a character does not convert.
std::optional<std::string> PathFromSjis(std::string_view sjis);

// The Shift_JIS text by which the host opens `path`: the path itself when code page 932
// holds it (on Windows: and it is shorter than MAX_PATH), on Windows else its short
// (8.3) form where the volume has one for an existing `path`; nothing when neither
// exists.
std::optional<std::string> SjisPathForHost(const std::string& path);

}  // namespace kasumido
