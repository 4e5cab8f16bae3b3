// The Windows program (GUI subsystem, no console): one download run in the download
// window, or the version dialog with "/c". The command line arrives as UTF-16 and is
// handed on as path text (UTF-8). The exit code is 0 in every case.
#include <windows.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/window_mode.h"
#include "platform/program_arguments.h"
#include "ui/win32/win32_controls.h"

namespace {

// The arguments, the program's name first.
std::vector<std::string> ArgumentsFromCommandLine() {
  std::vector<std::string> arguments = kasumido::ProgramArguments(0, nullptr);
  if (arguments.empty()) arguments.emplace_back("kasumido");
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace kasumido;
  std::vector<std::string> arguments = ArgumentsFromCommandLine();
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(arguments.size());
  ProgramModes modes;
  modes.download = [&](const RunSetup& setup) { RunDownloadInWindow(argc, argv.data(), setup); };
  modes.version_dialog = [&](const std::string& program_file) {
    ShowVersionDialogWindow(argc, argv.data(), program_file);
  };
  modes.prepare = EnsureCommonControls;
  RunProgram(argc, argv.data(), modes);
  return 0;
}
