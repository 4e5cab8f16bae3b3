// The files the program reads and writes, as the core calls them: each call goes to the
// installed file system (platform/file_system.h), the back end's own unless a test has
// put another in its place. Paths are the seam's path text (platform/paths.h). Errors
// come back as values naming the step and the system's reason; nothing here throws. A
// file that cannot be opened is also how a file locked by another program shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace kasumido {

// The result of writing a file: ok, or the path and what failed ("rename: <reason>").
struct [[nodiscard]] FileWriteStatus {
  bool ok = true;
  std::string path;
  std::string error;

  static FileWriteStatus Failed(std::string path, std::string error) {
    return FileWriteStatus{false, std::move(path), std::move(error)};
  }
  explicit operator bool() const { return ok; }
};

// A file open for writing (WritableFile, held by value). Closed by Close or by the
// destructor (errors ignored then).
class OutputFile {
 public:
  // Opens `path` as `mode` says; nothing, with the reason in `error`, when it cannot be
  // opened (a missing folder, a folder in its place, no permission).
  static std::optional<OutputFile> Open(const std::string& path, OutputMode mode,
                                        std::string& error);

  // As WritableFile::Write: every byte in one system call where the system takes them.
  bool Write(std::string_view bytes, std::string& error) { return file_->Write(bytes, error); }
  // The file's size now (an appending file's next write lands there).
  std::optional<std::int64_t> Size(std::string& error) { return file_->Size(error); }
  // Cuts the file back to `size` bytes. REQUIRES: size <= Size().
  bool Truncate(std::int64_t size, std::string& error) { return file_->Truncate(size, error); }
  bool Close(std::string& error) { return file_->Close(error); }

 private:
  explicit OutputFile(std::unique_ptr<WritableFile> file) : file_(std::move(file)) {}
  std::unique_ptr<WritableFile> file_;
};

// A file open for reading while other programs may read, write and remove it.
class InputFile {
 public:
  // Nothing when `path` is missing, is a folder, or cannot be opened.
  static std::optional<InputFile> OpenShared(const std::string& path);

  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t size) { return file_->Read(buffer, size); }
  // The file's size now (another program may change it); nothing when the system cannot
  // tell.
  std::optional<std::int64_t> Size() { return file_->Size(); }

 private:
  explicit InputFile(std::unique_ptr<ReadableFile> file) : file_(std::move(file)) {}
  std::unique_ptr<ReadableFile> file_;
};

// The first `max_size` bytes of the regular file `path` (all of it by default); nothing
// when it is missing, is not a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_size = SIZE_MAX);
// The size of the regular file `path`; nothing when it is missing, is not a regular file
// or cannot be opened.
std::optional<std::int64_t> FileSize(const std::string& path);
// The last `count` bytes of the regular file `path` (all of it when shorter); nothing
// when it is missing, is not a regular file or cannot be read.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t count);

bool PathExists(const std::string& path);
// True for a regular file (links followed).
bool IsFile(const std::string& path);
// True for a folder (links followed).
bool IsFolder(const std::string& path);
// Removes the file `path`; false when it is missing or cannot be removed.
bool RemoveFile(const std::string& path);
// Makes one folder level; true when the folder exists afterwards.
bool MakeFolder(const std::string& path);
// Copies `from` over `to` (created or replaced), atomically as ReplaceFileAtomically.
FileWriteStatus CopyFile(const std::string& from, const std::string& to);
// Replaces `path` with `bytes` atomically: readers see the old content or the new, never
// a mix, and a failure leaves the old file as it was. A symbolic link is followed, so the
// file it points to is replaced and the link stays; an existing file keeps its
// permissions.
FileWriteStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kasumido
