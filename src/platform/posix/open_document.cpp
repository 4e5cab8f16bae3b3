#include "platform/open_document.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

namespace kasumido {
namespace {

// The folder part of a target: everything up to and including its last "/", when that
// names an existing folder; empty otherwise (the child then stays where we are).
std::string FolderOf(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return {};
  std::string folder = target.substr(0, slash + 1);
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
  return folder;
}

// Runs in the grandchild, after fork(): only async-signal-safe calls until exec.
[[noreturn]] void ExecDetached(char* const* argv, const char* working_dir) {
  const int null_fd = open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
  }
  close_range(STDERR_FILENO + 1, UINT_MAX, 0);
  if (working_dir != nullptr && chdir(working_dir) != 0) {
    // stay in the current folder
  }
  execvp(argv[0], argv);
  _exit(127);
}

}  // namespace

bool StartDetached(const std::vector<std::string>& argv, const std::string& working_dir) {
  if (argv.empty()) return false;
  // Everything the children need is prepared before fork(): they may not allocate.
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const char* folder = working_dir.empty() ? nullptr : working_dir.c_str();

  const pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    setsid();  // no terminal signals from our session reach the started program
    const pid_t grandchild = fork();
    if (grandchild == 0) ExecDetached(args.data(), folder);
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void OpenDocument(const std::string& target, const std::string& parameters) {
  if (target.empty()) return;
  StartDetached({"xdg-open", target}, FolderOf(target));
}

}  // namespace kasumido
