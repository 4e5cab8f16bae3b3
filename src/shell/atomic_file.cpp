#include "shell/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace kasumido {
namespace {

std::string ErrorText(const char* step, int error) {
  return std::string(step) + ": " + std::strerror(error);
}

// The file that a write to `path` must replace: the target of a symbolic link.
std::filesystem::path ResolveTarget(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return path;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved;
}

// Permission bits for the replacement: those of the existing file, or what a newly
// created file would get.
mode_t ModeFor(const std::filesystem::path& target) {
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

// Flushes the folder's entry of a renamed file; a failure here loses nothing that the
// rename has not already made visible, so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileWriteStatus FileWriteStatus::Failed(const std::filesystem::path& path, std::string error) {
  return FileWriteStatus{false, path.string(), std::move(error)};
}

FileWriteStatus ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path target = ResolveTarget(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp_name = ".";
  temp_name += target.filename().string();
  temp_name += ".XXXXXX";
  std::string temp = (folder / temp_name).string();
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FileWriteStatus::Failed(path, ErrorText("create temporary file", errno));

  const char* failed_step = nullptr;
  int error = 0;
  // A failure here only leaves the replacement with the temporary file's bits (0600).
  (void)::fchmod(fd, ModeFor(target));
  if (!WriteAll(fd, bytes)) {
    failed_step = "write";
  } else if (::fsync(fd) != 0) {
    failed_step = "flush";
  }
  if (failed_step != nullptr) error = errno;
  if (::close(fd) != 0 && failed_step == nullptr) {
    failed_step = "close";
    error = errno;
  }
  if (failed_step == nullptr && ::rename(temp.c_str(), target.c_str()) != 0) {
    failed_step = "rename";
    error = errno;
  }
  if (failed_step != nullptr) {
    ::unlink(temp.c_str());
    return FileWriteStatus::Failed(path, ErrorText(failed_step, error));
  }
  SyncFolder(folder);
  return FileWriteStatus{true, path.string(), {}};
}

}  // namespace kasumido
