#include "platform/instance_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

namespace kasumido {

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

LockOutcome InstanceLock::Acquire(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LockOutcome::kFailed;
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? LockOutcome::kHeldElsewhere : LockOutcome::kFailed;
  }
  handle_ = fd;
  path_ = path;
  return LockOutcome::kAcquired;
}

LockOutcome InstanceLock::AcquireFor(const std::string& host_dir, const std::string& temp_dir) {
  const LockOutcome in_host = Acquire(InstanceLockPath(host_dir));
  if (in_host != LockOutcome::kFailed) return in_host;
  return Acquire(InstanceLockPath(temp_dir));
}

void InstanceLock::Release() {
  if (handle_ >= 0) close(handle_);  // closing the only descriptor of the file releases the flock
  handle_ = -1;
  path_.clear();
}

}  // namespace kasumido
