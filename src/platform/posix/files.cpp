// Files on Linux: POSIX descriptors, opened close-on-exec so no child process keeps them.
#include "platform/files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>

namespace kasumido {
namespace {

constexpr std::intptr_t kClosed = kClosedFile;

std::string Reason(std::string_view step, int error) {
  return std::string(step) + ": " + std::strerror(error);
}

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

bool WriteAll(int fd, std::string_view bytes, int& error) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (count == 0) {
      error = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool IsRegular(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
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

// Flushes the folder's entry of a renamed file; a failure here loses nothing that the
// rename has not already made visible, so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = OpenRetrying(folder.string(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes a hidden temporary file beside the target with `fill`, flushes it and renames it
// over the target. `fill` answers the failed step's name and sets `error`, or null.
FileWriteStatus ReplaceWith(const std::string& path,
                            const std::function<const char*(int fd, int& error)>& fill) {
  const std::filesystem::path target = ResolveTarget(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FileWriteStatus::Failed(path, Reason("create temporary file", errno));

  int error = 0;
  // A failure here only leaves the replacement with the temporary file's bits (0600).
  (void)::fchmod(fd, ModeFor(target));
  const char* failed_step = fill(fd, error);
  if (failed_step == nullptr && ::fsync(fd) != 0) {
    failed_step = "flush";
    error = errno;
  }
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
    return FileWriteStatus::Failed(path, Reason(failed_step, error));
  }
  SyncFolder(folder);
  return FileWriteStatus{true, path, {}};
}

}  // namespace

void CloseFileHandle(std::intptr_t handle) {
  if (handle != kClosed) ::close(Fd(handle));
}

std::optional<OutputFile> OutputFile::Open(const std::string& path, OutputMode mode,
                                           std::string& error) {
  const int flags =
      mode == OutputMode::kAppend ? O_WRONLY | O_APPEND | O_CREAT : O_WRONLY | O_CREAT | O_TRUNC;
  const int fd = OpenRetrying(path, flags, 0666);
  if (fd < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  return OutputFile(fd);
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
  if (handle_ == kClosed) {
    error = std::strerror(EBADF);
    return false;
  }
  int code = 0;
  if (WriteAll(Fd(handle_), bytes, code)) return true;
  error = std::strerror(code);
  return false;
}

bool OutputFile::Close(std::string& error) {
  if (handle_ == kClosed) return true;
  const int fd = Fd(std::exchange(handle_, kClosed));
  if (::close(fd) != 0 && errno != EINTR) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

std::optional<InputFile> InputFile::OpenShared(const std::string& path) {
  const int fd = OpenRetrying(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  return InputFile(fd);
}

std::ptrdiff_t InputFile::Read(char* buffer, std::size_t size) {
  if (handle_ == kClosed) return -1;
  for (;;) {
    const ssize_t count = ::read(Fd(handle_), buffer, size);
    if (count >= 0 || errno != EINTR) return count;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_size) {
  const int fd = OpenRetrying(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> content;
  if (IsRegular(fd)) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
      const std::size_t want = std::min(sizeof buffer, max_size - bytes.size());
      const ssize_t count = want == 0 ? 0 : ::read(fd, buffer, want);
      if (count > 0) {
        bytes.append(buffer, static_cast<std::size_t>(count));
      } else if (count == 0) {
        content = std::move(bytes);
        break;
      } else if (errno != EINTR) {
        break;
      }
    }
  }
  ::close(fd);
  return content;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MakeFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path));
}

FileWriteStatus CopyFile(const std::string& from, const std::string& to) {
  const int source = OpenRetrying(from, O_RDONLY);
  if (source < 0) return FileWriteStatus::Failed(to, Reason("open " + from, errno));
  const FileWriteStatus status = ReplaceWith(to, [source](int fd, int& error) -> const char* {
    char buffer[65536];
    for (;;) {
      const ssize_t count = ::read(source, buffer, sizeof buffer);
      if (count == 0) return nullptr;
      if (count < 0) {
        if (errno == EINTR) continue;
        error = errno;
        return "read";
      }
      if (!WriteAll(fd, std::string_view(buffer, static_cast<std::size_t>(count)), error)) {
        return "write";
      }
    }
  });
  ::close(source);
  return status;
}

FileWriteStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceWith(path, [bytes](int fd, int& error) -> const char* {
    return WriteAll(fd, bytes, error) ? nullptr : "write";
  });
}

}  // namespace kasumido
