// The single-instance lock on Windows: the named mutex the host's plug-ins share
// ("ShelvioPlugIn"), opened first and otherwise created not owned. A create that finds
// the mutex already there (ERROR_ALREADY_EXISTS) also means another instance runs, so of
// two instances started together exactly one goes on. The system closes the handle when
// the process ends, however it ends.
//
// The mutex is named by the lock path's last part without ".lock", so the host folder
// and the temporary folder name the same mutex and InstanceLockPath stays the one name.
#include "platform/instance_lock.h"

#include <windows.h>

#include <utility>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

std::string MutexName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  constexpr std::string_view kSuffix = ".lock";
  if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) {
    name.resize(name.size() - kSuffix.size());
  }
  return name;
}

}  // namespace

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoLock)), path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, kNoLock);
    path_ = std::move(other.path_);
  }
  return *this;
}

LockOutcome InstanceLock::Acquire(const std::string& path) {
  const std::string name = MutexName(path);
  if (name.empty()) return LockOutcome::kFailed;
  const std::wstring wide_name = WideFromUtf8(name);
  if (HANDLE existing = OpenMutexW(SYNCHRONIZE, FALSE, wide_name.c_str())) {
    CloseHandle(existing);
    return LockOutcome::kHeldElsewhere;
  }
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide_name.c_str());
  if (mutex == nullptr) {
    // A name taken by another kind of object still means the name is in use.
    return GetLastError() == ERROR_INVALID_HANDLE ? LockOutcome::kHeldElsewhere
                                                  : LockOutcome::kFailed;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another instance created it between our open and our create.
    CloseHandle(mutex);
    return LockOutcome::kHeldElsewhere;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  path_ = name;
  return LockOutcome::kAcquired;
}

LockOutcome InstanceLock::AcquireFor(const std::string& host_dir, const std::string& temp_dir) {
  // One system-wide name: the folders only matter on systems that lock a file.
  return Acquire(InstanceLockPath(host_dir));
}

void InstanceLock::Release() {
  if (handle_ != kNoLock) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoLock;
  path_.clear();
}

}  // namespace kasumido
