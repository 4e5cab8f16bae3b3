// Files on Linux: POSIX descriptors, opened close-on-exec so no child process keeps them.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_system.h"

namespace kasumido {
namespace {

std::string ErrorText(int error) { return std::strerror(error); }

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::optional<std::int64_t> SizeOf(int fd, int& error) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
    return std::nullopt;
  }
  return static_cast<std::int64_t>(info.st_size);
}

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  bool Write(std::string_view bytes, std::string& error) override {
    if (fd_ < 0) return Fail(EBADF, error);
    while (!bytes.empty()) {
      const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
      if (count < 0) {
        if (errno == EINTR) continue;
        return Fail(errno, error);
      }
      if (count == 0) return Fail(ENOSPC, error);
      bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
  }
  std::optional<std::int64_t> Size(std::string& error) override {
    int code = EBADF;
    std::optional<std::int64_t> size = fd_ >= 0 ? SizeOf(fd_, code) : std::nullopt;
    if (!size) error = ErrorText(code);
    return size;
  }
  bool Truncate(std::int64_t size, std::string& error) override {
    if (fd_ < 0) return Fail(EBADF, error);
    while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
      if (errno != EINTR) return Fail(errno, error);
    }
    // The next write lands at the new end (appending files land there anyway).
    return ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) >= 0 || Fail(errno, error);
  }
  bool Flush(std::string& error) override {
    if (fd_ < 0) return Fail(EBADF, error);
    return ::fsync(fd_) == 0 || Fail(errno, error);
  }
  bool Close(std::string& error) override {
    if (fd_ < 0) return true;
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0 || errno == EINTR || Fail(errno, error);
  }

 private:
  static bool Fail(int code, std::string& error) {
    error = ErrorText(code);
    return false;
  }
  int fd_;
};

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(int fd) : fd_(fd) {}
  ~PosixReadableFile() override { ::close(fd_); }
  PosixReadableFile(const PosixReadableFile&) = delete;
  PosixReadableFile& operator=(const PosixReadableFile&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t count = ::read(fd_, buffer, size);
      if (count >= 0 || errno != EINTR) return count;
    }
  }
  std::optional<std::int64_t> Size() override {
    int ignored = 0;
    return SizeOf(fd_, ignored);
  }
  bool Seek(std::int64_t offset) override {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }

 private:
  int fd_;
};

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
  const int fd = OpenRetrying(folder.empty() ? "." : folder.string(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<WritableFile> OpenOutput(const std::string& path, OutputMode mode,
                                           std::string& error) override {
    const int flags =
        mode == OutputMode::kAppend ? O_WRONLY | O_APPEND | O_CREAT : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = OpenRetrying(path, flags, 0666);
    if (fd < 0) {
      error = ErrorText(errno);
      return nullptr;
    }
    return std::make_unique<PosixWritableFile>(fd);
  }

  // Opened without waiting (a FIFO would block), and only a regular file is kept. The
  // flag stays: reads of a regular file never return early for it.
  std::unique_ptr<ReadableFile> OpenInput(const std::string& path) override {
    const int fd = OpenRetrying(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixReadableFile>(fd);
  }

  std::optional<Replacement> CreateReplacement(const std::string& path,
                                               std::string& error) override {
    const std::filesystem::path target = ResolveTarget(path);
    const std::filesystem::path folder = target.parent_path();
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
      error = ErrorText(errno);
      return std::nullopt;
    }
    // A failure here only leaves the replacement with the temporary file's bits (0600).
    (void)::fchmod(fd, ModeFor(target));
    return Replacement{std::make_unique<PosixWritableFile>(fd), temp, target.string()};
  }

  bool Rename(const std::string& from, const std::string& to, std::string& error) override {
    if (::rename(from.c_str(), to.c_str()) != 0) {
      error = ErrorText(errno);
      return false;
    }
    SyncFolder(std::filesystem::path(to).parent_path());
    return true;
  }

  PathKind KindOf(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return PathKind::kMissing;
    if (S_ISREG(info.st_mode)) return PathKind::kFile;
    if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
    return PathKind::kOther;
  }

  bool RemoveFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  bool MakeFolder(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 ||
           (errno == EEXIST && KindOf(path) == PathKind::kFolder);
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace kasumido
