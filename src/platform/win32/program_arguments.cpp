#include "platform/program_arguments.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace kasumido {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace kasumido
