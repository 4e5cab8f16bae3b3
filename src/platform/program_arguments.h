// The command line of a console program (the tools) in the program's own text, and a
// console that shows the tools' UTF-8 output. On Linux the arguments are taken as given;
// on Windows from the UTF-16 command line, so a path in any script reaches the tool whole
// whatever the system's code page (one the program's text cannot hold is an error of the
// file it names, never another file).
#pragma once

#include <string>
#include <vector>

namespace kasumido {

// The arguments, the program's name first.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes the console show UTF-8 text (Windows: its output code page); nothing on Linux.
void UseUtf8Console();

}  // namespace kasumido
