// The file part of the seam as one substitutable service. The back end's file system
// (SystemFileSystem) does the system calls; everything the core does with files goes
// through the installed one (CurrentFileSystem), so a test can install a wrapper that
// forwards most calls and breaks the ones it means to (a full disk, a write cut
// part-way, a file another program holds, a file being rewritten). Only a few primitives
// are virtual; what is built from them (ReadWholeFile, ReplaceFileAtomically, CopyFile,
// the size and the tail of a file: platform/files.h) sees an injected fault the way it
// would see the system's.
//
// Paths are the seam's path text (platform/paths.h). Errors come back as values with the
// system's reason; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

enum class OutputMode {
  kCreateOrTruncate,  // a new, empty file in place of whatever was there
  kAppend,            // every write goes to the end; created empty when missing
};

enum class PathKind { kMissing, kFile, kFolder, kOther };

// A file open for writing, closed by Close or when destroyed (errors ignored then).
class WritableFile {
 public:
  virtual ~WritableFile() = default;

  // Writes every byte of `bytes`. The bytes go to the system in one call; only when it
  // takes part of them does the rest follow, so on an appending file a line from this
  // program is never interleaved with another writer's. False, with the reason in
  // `error`, when the system refuses them (disk full, I/O error; some bytes may have
  // been taken) or the file is closed.
  virtual bool Write(std::string_view bytes, std::string& error) = 0;
  // The file's size now, in bytes (for an appending file: where the next write lands);
  // nothing, with the reason, when the system cannot tell or the file is closed.
  virtual std::optional<std::int64_t> Size(std::string& error) = 0;
  // Cuts the file back to `size` bytes (REQUIRES: size <= Size()), so that bytes of a
  // failed write are taken back; the next append lands at the new end.
  virtual bool Truncate(std::int64_t size, std::string& error) = 0;
  // Hands everything written so far to the disk.
  virtual bool Flush(std::string& error) = 0;
  // Closes the file; false, with the reason, when the close reports lost data. Closing
  // a closed file succeeds.
  virtual bool Close(std::string& error) = 0;
};

// A file open for reading while other programs may read, write and remove it.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;

  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on a read error.
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
  // The file's size now; nothing when the system cannot tell.
  virtual std::optional<std::int64_t> Size() = 0;
  // Moves the reading position to `offset` bytes from the start.
  virtual bool Seek(std::int64_t offset) = 0;
};

// A new hidden file beside a file to be replaced (ReplaceFileAtomically, CopyFile): what
// is written to `file` is moved over `target` by FileSystem::Rename.
struct Replacement {
  std::unique_ptr<WritableFile> file;
  std::string temporary_path;
  std::string target;  // the file the replacement takes the place of (a link's target)
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path` as `mode` says; null, with the reason in `error`, when it cannot be
  // opened (a missing folder, a folder in its place, no permission, held by another
  // program).
  virtual std::unique_ptr<WritableFile> OpenOutput(const std::string& path, OutputMode mode,
                                                   std::string& error) = 0;
  // Opens `path` for reading, shared with other readers and writers; null when it is
  // missing, is a folder, or cannot be opened.
  virtual std::unique_ptr<ReadableFile> OpenInput(const std::string& path) = 0;
  // Creates the hidden file that will replace `path`: beside the file `path` names (the
  // target of a symbolic link), with that file's permissions. Nothing, with the reason,
  // when it cannot be created.
  virtual std::optional<Replacement> CreateReplacement(const std::string& path,
                                                       std::string& error) = 0;
  // Moves `from` over `to` in one step (an existing `to` is replaced) and makes the move
  // last through a crash; false, with the reason, when it cannot be moved.
  virtual bool Rename(const std::string& from, const std::string& to, std::string& error) = 0;
  // What `path` names (links followed).
  virtual PathKind KindOf(const std::string& path) = 0;
  // Removes the file `path`; false when it is missing or cannot be removed.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Makes one folder level; true when the folder exists afterwards.
  virtual bool MakeFolder(const std::string& path) = 0;
};

// A file system that hands every call to another one: a test derives from it and
// overrides only what it breaks.
class FileSystemWrapper : public FileSystem {
 public:
  // `target` must outlive the wrapper.
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}

  std::unique_ptr<WritableFile> OpenOutput(const std::string& path, OutputMode mode,
                                           std::string& error) override {
    return target_.OpenOutput(path, mode, error);
  }
  std::unique_ptr<ReadableFile> OpenInput(const std::string& path) override {
    return target_.OpenInput(path);
  }
  std::optional<Replacement> CreateReplacement(const std::string& path,
                                               std::string& error) override {
    return target_.CreateReplacement(path, error);
  }
  bool Rename(const std::string& from, const std::string& to, std::string& error) override {
    return target_.Rename(from, to, error);
  }
  PathKind KindOf(const std::string& path) override { return target_.KindOf(path); }
  bool RemoveFile(const std::string& path) override { return target_.RemoveFile(path); }
  bool MakeFolder(const std::string& path) override { return target_.MakeFolder(path); }

  FileSystem& Target() const { return target_; }

 private:
  FileSystem& target_;
};

// The back end's own file system; it lives as long as the process.
FileSystem& SystemFileSystem();

// The file system every file function uses: SystemFileSystem() unless a
// ScopedFileSystem has installed another.
FileSystem& CurrentFileSystem();

// Installs `file_system` for its own lifetime and puts the previous one back when it
// ends. Scopes nest; `file_system` must outlive the scope.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& file_system);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace kasumido
