// The command line as path text (platform/paths.h), and a console that shows the tools'
// UTF-8 output. On Linux the arguments are taken as given; on Windows they are the UTF-16
// command line in UTF-8, so a path in any script reaches the program whole whatever the
// system's code page.
#pragma once

#include <string>
#include <vector>

namespace kasumido {

// The arguments, the program's name first.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes the console show UTF-8 text (Windows: its output code page); nothing on Linux.
void UseUtf8Console();

}  // namespace kasumido
