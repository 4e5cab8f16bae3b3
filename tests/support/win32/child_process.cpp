// The child processes of the tests on Windows: CreateProcessW with the output in a file
// and NUL as input, TerminateProcess for a signal. Names and values given as narrow
// strings are path text (UTF-8), as the tests' scratch paths are.
#include <windows.h>

#include <stdexcept>

#include "support/child_process.h"
#include "support/poll_until.h"
#include "support/scratch_dir.h"

namespace kasumido::test {
namespace {

HANDLE Handle(std::intptr_t process) { return reinterpret_cast<HANDLE>(process); }

std::wstring Wide(const std::string& narrow) { return FsPath(narrow).wstring(); }

// One argument of a command line as the C runtime splits it again: quoted, with the
// backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// This process's environment block with `overrides` on top (an empty value unsets).
std::wstring ChildEnvironment(const std::map<std::string, std::string>& overrides) {
  std::map<std::wstring, std::wstring> wide_overrides;
  for (const auto& [name, value] : overrides) wide_overrides[Wide(name)] = Wide(value);
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text = entry;
    const std::wstring name = text.substr(0, text.find(L'=', 1));
    bool overridden = false;
    for (const auto& [override_name, value] : wide_overrides) {
      overridden = overridden || _wcsicmp(override_name.c_str(), name.c_str()) == 0;
    }
    if (!overridden) block += text + L'\0';
  }
  FreeEnvironmentStringsW(strings);
  for (const auto& [name, value] : wide_overrides) {
    if (!value.empty()) block += name + L"=" + value + L'\0';
  }
  return block + L'\0';
}

}  // namespace

std::intptr_t ChildProcess::Launch(const std::string& program, const std::vector<std::string>& args,
                                   const std::filesystem::path& output_file,
                                   const std::map<std::string, std::string>& env) {
  std::wstring command_line = Quoted(Wide(program));
  for (const std::string& arg : args) command_line += L" " + Quoted(Wide(arg));
  std::wstring environment = ChildEnvironment(env);
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output =
      CreateFileW(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION started{};
  const BOOL created =
      output != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE &&
      CreateProcessW(Wide(program).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &started);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!created) throw std::runtime_error("cannot start " + program);
  CloseHandle(started.hThread);
  return reinterpret_cast<std::intptr_t>(started.hProcess);
}

bool ChildProcess::Running() {
  if (pid_ < 0 || reaped_) return false;
  if (WaitForSingleObject(Handle(pid_), 0) == WAIT_TIMEOUT) return true;
  DWORD code = 0;
  exit_code_ = GetExitCodeProcess(Handle(pid_), &code) ? static_cast<int>(code) : -1;
  CloseHandle(Handle(pid_));
  reaped_ = true;
  return false;
}

void ChildProcess::Signal(int) { Kill(); }

int ChildProcess::Stop() {
  Kill();
  return exit_code_;
}

void ChildProcess::Kill() {
  if (!Running()) return;
  TerminateProcess(Handle(pid_), 1);
  WaitForSingleObject(Handle(pid_), 10000);
  Running();  // reaps it
}

}  // namespace kasumido::test
