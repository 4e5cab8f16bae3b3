// A file system for tests that hands every call to the system's and breaks what the test
// asks for: a disk that fills up, a write cut part-way, a file another program holds, a
// file the host is rewriting (read as empty). It installs itself for its own lifetime,
// so everything the core does with files meanwhile meets these faults, on Linux and on
// Windows alike. Faults name files by their name (the last part of the path), as the run
// builds its paths in its own way ("host/plugin/../ShelvioMas.csv").
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kasumido::test {

class FaultyFileSystem : public FileSystemWrapper {
 public:
  // The reasons the faults give, as the system's texts would read.
  static constexpr const char* kDiskFull = "There is not enough space on the disk (injected)";
  static constexpr const char* kWriteError =
      "The request could not be performed because of an I/O device error (injected)";
  static constexpr const char* kHeld = "The file is being used by another process (injected)";
  static constexpr int kAlways = std::numeric_limits<int>::max();

  enum class Access { kWrite, kRead, kReadWrite };

  FaultyFileSystem();
  ~FaultyFileSystem() override;
  FaultyFileSystem(const FaultyFileSystem&) = delete;
  FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

  // After `bytes` more bytes written to any file (replacements included), the disk is
  // full: the write that reaches the limit takes what fits and fails, and so does every
  // later one.
  void FillDiskAfter(std::int64_t bytes) { disk_left_ = bytes; }
  // The disk has room again.
  void FreeDisk() { disk_left_ = std::numeric_limits<std::int64_t>::max(); }
  // The next write to a file named `name` takes its first `taken` bytes and fails.
  void CutNextWrite(const std::string& name, std::size_t taken) { cuts_[name] = taken; }
  // The next `times` opens of a file named `name` for `access` fail as for a file that
  // another program holds; holding it for writing also refuses a replacement moved over
  // it and its removal.
  void Hold(const std::string& name, Access access, int times = kAlways);
  // The next `times` opens of a file named `name` for reading find it empty.
  void ReadEmpty(const std::string& name, int times) { empty_reads_[name] = times; }

  // Every path removed through the seam, in order, and whether each removal succeeded.
  struct Removal {
    std::string path;
    bool removed;
  };
  const std::vector<Removal>& Removals() const { return removals_; }
  // How many opens of files named `name` were refused or read empty so far.
  int Refusals(const std::string& name) const;

  std::unique_ptr<WritableFile> OpenOutput(const std::string& path, OutputMode mode,
                                           std::string& error) override;
  std::unique_ptr<ReadableFile> OpenInput(const std::string& path) override;
  std::optional<Replacement> CreateReplacement(const std::string& path,
                                               std::string& error) override;
  bool Rename(const std::string& from, const std::string& to, std::string& error) override;
  bool RemoveFile(const std::string& path) override;

  // For the files it hands out: how many of `size` bytes a write to `name` may store,
  // and the reason it fails after them (empty when it does not).
  std::size_t AdmitWrite(const std::string& name, std::size_t size, std::string& reason);

 private:
  // Counts one use of a fault that holds `times` more times; false when none is left.
  static bool Use(std::map<std::string, int>& faults, const std::string& name);
  bool Refuse(const std::string& name, Access access);

  std::int64_t disk_left_ = std::numeric_limits<std::int64_t>::max();
  std::map<std::string, std::size_t> cuts_;
  std::map<std::string, int> held_for_writing_;
  std::map<std::string, int> held_for_reading_;
  std::map<std::string, int> empty_reads_;
  std::map<std::string, int> refusals_;
  std::vector<Removal> removals_;
  ScopedFileSystem scope_;  // last: uninstalled before anything else goes
};

}  // namespace kasumido::test
