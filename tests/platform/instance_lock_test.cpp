#include "platform/instance_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::ScratchDir;

// A child process that takes the lock at `path` and then waits to be killed. Answers its
// pid once it holds the lock (or -1 when it could not take it).
pid_t StartHolder(const std::string& path) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    InstanceLock lock;
    const char answer = lock.Acquire(path) == LockOutcome::kAcquired ? 'y' : 'n';
    if (write(ready[1], &answer, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char answer = 'n';
  const bool got = read(ready[0], &answer, 1) == 1;
  close(ready[0]);
  if (got && answer == 'y') return pid;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

void KillAndReap(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(InstanceLock, OnlyOneOpenOfTheFileHoldsTheLockUntilItIsReleased) {
  ScratchDir scratch;
  const std::string path = InstanceLockPath(scratch.Path().string());
  InstanceLock first;
  ASSERT_EQ(first.Acquire(path), LockOutcome::kAcquired);
  InstanceLock second;  // a fresh open in the same process conflicts too
  EXPECT_EQ(second.Acquire(path), LockOutcome::kHeldElsewhere);
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_TRUE(std::filesystem::exists(path));  // never unlinked
  EXPECT_EQ(second.Acquire(path), LockOutcome::kAcquired);
  InstanceLock moved = std::move(second);
  EXPECT_TRUE(moved.Held());
  EXPECT_EQ(first.Acquire(path), LockOutcome::kHeldElsewhere);
}

TEST(InstanceLock, TakesTheHostFolderFirstAndTheTemporaryFolderWhenTheHostIsUnusable) {
  ScratchDir scratch;
  std::filesystem::create_directories(scratch.Path() / "host");
  std::filesystem::create_directories(scratch.Path() / "temp");
  scratch.Write("file", "a regular file");
  const std::string host = scratch.File("host"), temp = scratch.File("temp");
  const std::string through_file = scratch.File("file") + "/host";
  const std::string missing = scratch.File("missing/folder");
  struct Case {
    std::string host;
    std::string temp;
    LockOutcome outcome;
    std::string path;
  };
  const std::vector<Case> cases = {
      {host, temp, LockOutcome::kAcquired, InstanceLockPath(host)},
      {host + "/", temp, LockOutcome::kAcquired, host + "/ShelvioPlugIn.lock"},
      {through_file, temp, LockOutcome::kAcquired, InstanceLockPath(temp)},
      {missing, temp + "/", LockOutcome::kAcquired, InstanceLockPath(temp)},
      {through_file, missing, LockOutcome::kFailed, ""},
  };
  for (const Case& c : cases) {
    InstanceLock lock;
    EXPECT_EQ(lock.AcquireFor(c.host, c.temp), c.outcome) << c.host;
    EXPECT_EQ(lock.Path(), c.path) << c.host;
  }
}

TEST(InstanceLock, AHolderInTheHostFolderIsFinalEvenWhenTheTemporaryFolderIsFree) {
  ScratchDir scratch;
  std::filesystem::create_directories(scratch.Path() / "host");
  std::filesystem::create_directories(scratch.Path() / "temp");
  InstanceLock holder;
  ASSERT_EQ(holder.Acquire(InstanceLockPath(scratch.File("host"))), LockOutcome::kAcquired);
  InstanceLock second;
  EXPECT_EQ(second.AcquireFor(scratch.File("host"), scratch.File("temp")),
            LockOutcome::kHeldElsewhere);
  EXPECT_FALSE(std::filesystem::exists(scratch.Path() / "temp" / "ShelvioPlugIn.lock"));
}

TEST(InstanceLock, AHolderKilledWithoutCleanUpFreesTheLock) {
  ScratchDir scratch;
  const std::string path = InstanceLockPath(scratch.Path().string());
  const pid_t holder = StartHolder(path);
  ASSERT_GT(holder, 0);
  InstanceLock lock;
  EXPECT_EQ(lock.Acquire(path), LockOutcome::kHeldElsewhere);
  KillAndReap(holder);
  EXPECT_EQ(lock.Acquire(path), LockOutcome::kAcquired);
}

TEST(InstanceLock, AProgramStartedByTheHolderDoesNotKeepTheLock) {
  ScratchDir scratch;
  const std::string path = InstanceLockPath(scratch.Path().string());
  InstanceLock lock;
  ASSERT_EQ(lock.Acquire(path), LockOutcome::kAcquired);
  // The pipe's write end closes when the child execs: reading it to its end waits for
  // the exec, after which only descriptors without close-on-exec remain in the child.
  int execed[2];
  ASSERT_EQ(pipe2(execed, O_CLOEXEC), 0);
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(child, 0);
  close(execed[1]);
  char byte;
  EXPECT_EQ(read(execed[0], &byte, 1), 0);
  close(execed[0]);
  lock.Release();
  InstanceLock next;
  EXPECT_EQ(next.Acquire(path), LockOutcome::kAcquired);
  KillAndReap(child);
}

}  // namespace
}  // namespace kasumido
