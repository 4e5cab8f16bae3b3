#include "analysis/master_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kasumido {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw MasterFileError(what + " \"" + path + "\": " + std::strerror(error));
}

}  // namespace

MasterFile::MasterFile(const std::string& path) : path_(path) {
  do {
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) Fail("cannot open master file", path_, errno);
}

MasterFile::~MasterFile() {
  if (fd_ >= 0) ::close(fd_);
}

void MasterFile::AppendLine(std::string_view line) {
  // One write() for the whole line; only if the system takes part of it (a signal, a
  // full disk) does the rest follow, so that what was started is completed if possible.
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write master file", path_, errno);
    }
    if (written == 0) Fail("cannot write master file", path_, ENOSPC);
    done += static_cast<size_t>(written);
  }
}

}  // namespace kasumido
