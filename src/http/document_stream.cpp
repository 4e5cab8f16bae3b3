#include "http/document_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace kasumido {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int errno_value) {
  throw EDocumentStreamError(what + " " + path + ": " + std::strerror(errno_value), errno_value);
}

}  // namespace

FileDocumentStream::FileDocumentStream(const std::string& path) : path_(path) {
  do {
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) Fail("Cannot create", path_, errno);
}

FileDocumentStream::~FileDocumentStream() {
  if (fd_ >= 0) close(fd_);
}

void FileDocumentStream::Write(const char* data, std::size_t size) {
  if (fd_ < 0) Fail("Cannot write", path_, EBADF);
  while (size > 0) {
    const ssize_t written = write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", path_, errno);
    }
    if (written == 0) Fail("Cannot write", path_, ENOSPC);
    data += written;
    size -= static_cast<std::size_t>(written);
    size_ += written;
  }
}

void FileDocumentStream::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0 && errno != EINTR) Fail("Cannot close", path_, errno);
}

}  // namespace kasumido
