// The Windows program (GUI subsystem, no console): one download run in the download
// window, or the version dialog with "/c". The command line arrives as UTF-16 and is
// handed on as Shift_JIS, the program's own text. The exit code is 0 in every case.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/window_mode.h"
#include "platform/win32/wide_text.h"

namespace {

// The arguments as Shift_JIS, the program's name first.
std::vector<std::string> ArgumentsFromCommandLine() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {"kasumido"};
  for (int i = 0; i < count; ++i) arguments.push_back(kasumido::SjisFromWide(wide[i]));
  LocalFree(wide);
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
  RunProgram(argc, argv.data(), modes);
  return 0;
}
