// The single-instance lock of the host's plug-ins. Taking it is one atomic call, so of two
// instances started at the same moment exactly one gets it, and it dies with the process
// that holds it (also when killed), so a crashed instance never blocks the next start.
// On Linux it is an exclusive flock on the file "ShelvioPlugIn.lock", opened
// close-on-exec so no child keeps it, and never unlinked: removing it would let a later
// instance lock a new file of the same name while an older one still holds the old one.
// On Windows it is the host's named mutex "ShelvioPlugIn" instead, named by the lock
// file's name without ".lock"; the folders do not matter there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kasumido {

inline constexpr std::string_view kInstanceLockFileName = "ShelvioPlugIn.lock";

enum class LockOutcome {
  kAcquired,       // this process holds the lock now
  kHeldElsewhere,  // another open file (another instance) holds it
  kFailed,         // no lock file could be opened, or flock failed otherwise
};

class InstanceLock {
 public:
  InstanceLock() = default;
  // Releases the lock (closes the file).
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Opens (creating it when missing, mode 0644) the file at `path` and tries
  // flock(LOCK_EX | LOCK_NB) on it. On kAcquired the lock is held until this object is
  // destroyed or Release() runs; otherwise nothing stays open.
  // REQUIRES: !Held().
  LockOutcome Acquire(const std::string& path);

  // Takes the lock file in `host_dir`, or in `temp_dir` when no file can be opened in
  // the host folder (a folder that is missing or not writable). A lock held by another
  // instance in the host folder is final: the temporary folder is not tried then.
  LockOutcome AcquireFor(const std::string& host_dir, const std::string& temp_dir);

  bool Held() const { return handle_ != kNoLock; }
  // The path of the held lock file; empty when none is held.
  const std::string& Path() const { return path_; }
  void Release();

 private:
  static constexpr std::intptr_t kNoLock = -1;
  std::intptr_t handle_ = kNoLock;
  std::string path_;
};

// `folder` joined with the lock file's name.
std::string InstanceLockPath(std::string_view folder);

}  // namespace kasumido
