// The files the program reads and writes, through the operating system's own calls. Paths
// are the program's Shift_JIS bytes; each back end converts them at this boundary only.
// Errors come back as values naming the step and the system's reason; nothing here
// throws. A file that cannot be opened is also how a file locked by another program shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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

// A file handle that holds no file, and the back end's release of a held one (what the
// file classes below share on every platform).
inline constexpr std::intptr_t kClosedFile = -1;
void CloseFileHandle(std::intptr_t handle);

enum class OutputMode {
  kCreateOrTruncate,  // a new, empty file in place of whatever was there
  kAppend,            // every write goes to the end; created empty when missing
};

// A file open for writing. Closed by Close or by the destructor (errors ignored then).
class OutputFile {
 public:
  // Opens `path` as `mode` says; nothing, with the reason in `error`, when it cannot be
  // opened (a missing folder, a folder in its place, no permission).
  static std::optional<OutputFile> Open(const std::string& path, OutputMode mode,
                                        std::string& error);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Writes every byte of `bytes`. The bytes go to the system in one call; only when it
  // takes part of them does the rest follow, so on an appending file a line from this
  // program is never interleaved with another writer's. False, with the reason in
  // `error`, when the system refuses them (disk full, I/O error) or the file is closed.
  bool Write(std::string_view bytes, std::string& error);
  // Closes the file; false, with the reason, when the close reports lost data. Closing a
  // closed file succeeds.
  bool Close(std::string& error);

 private:
  explicit OutputFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

// A file open for reading while other programs may read, write and remove it.
class InputFile {
 public:
  // Nothing when `path` is missing, is a folder, or cannot be opened.
  static std::optional<InputFile> OpenShared(const std::string& path);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  explicit InputFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

// The first `max_size` bytes of the regular file `path` (all of it by default); nothing
// when it is missing, is not a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_size = SIZE_MAX);

bool PathExists(const std::string& path);
// True for a regular file (links followed).
bool IsFile(const std::string& path);
// True for a folder (links followed).
bool IsFolder(const std::string& path);
// Removes the file `path`; false when it is missing or cannot be removed.
bool RemoveFile(const std::string& path);
// Makes one folder level; true when the folder exists afterwards.
bool MakeFolder(const std::string& path);
// Copies `from` over `to` (created or replaced).
FileWriteStatus CopyFile(const std::string& from, const std::string& to);
// Replaces `path` with `bytes` atomically: readers see the old content or the new, never
// a mix, and a failure leaves the old file as it was. A symbolic link is followed, so the
// file it points to is replaced and the link stays; an existing file keeps its
// permissions.
FileWriteStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kasumido
