// The shell's "open" on Windows: ShellExecuteW with the verb "open", shown normally, in
// the folder part of the target; its result is ignored, as the program's rules say.
#include "platform/open_document.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

// The folder part of `target`: everything before its last separator.
std::string FolderPart(const std::string& target) {
  const std::size_t last = target.find_last_of("\\/");
  return last == std::string::npos ? std::string() : target.substr(0, last);
}

std::wstring QuotedCommandLine(const std::vector<std::string>& argv) {
  std::wstring line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += L' ';
    line += L'"';
    line += WideFromUtf8(arg);
    line += L'"';
  }
  return line;
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv, const std::string& working_dir) {
  if (argv.empty()) return false;
  std::wstring command_line = QuotedCommandLine(argv);
  const std::wstring folder = WideFromUtf8(working_dir);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void OpenDocument(const std::string& target, const std::string& parameters) {
  if (target.empty()) return;
  const std::wstring file = WideFromUtf8(target);
  const std::wstring arguments = WideFromUtf8(parameters);
  const std::wstring folder = WideFromUtf8(FolderPart(target));
  ShellExecuteW(nullptr, L"open", file.c_str(), arguments.empty() ? nullptr : arguments.c_str(),
                folder.empty() ? nullptr : folder.c_str(), SW_SHOW);
}

}  // namespace kasumido
