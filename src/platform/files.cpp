// The file functions of the core, built on the installed file system's primitives, so
// a fault injected there reaches them as the system's own would.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <functional>

namespace kasumido {
namespace {

std::atomic<FileSystem*> installed{nullptr};

std::string Reason(std::string_view step, const std::string& error) {
  return std::string(step) + ": " + error;
}

// Writes the replacement of `path` with `fill`, flushes it and moves it over the file
// `path` names. `fill` answers the failed step's name and sets `error`, or null.
FileWriteStatus ReplaceWith(
    const std::string& path,
    const std::function<const char*(WritableFile& file, std::string& error)>& fill) {
  FileSystem& files = CurrentFileSystem();
  std::string error;
  std::optional<Replacement> replacement = files.CreateReplacement(path, error);
  if (!replacement) return FileWriteStatus::Failed(path, Reason("create temporary file", error));
  WritableFile& file = *replacement->file;
  const char* failed_step = fill(file, error);
  if (failed_step == nullptr && !file.Flush(error)) failed_step = "flush";
  std::string close_error;
  if (!file.Close(close_error) && failed_step == nullptr) {
    failed_step = "close";
    error = close_error;
  }
  if (failed_step == nullptr &&
      !files.Rename(replacement->temporary_path, replacement->target, error)) {
    failed_step = "rename";
  }
  if (failed_step != nullptr) {
    files.RemoveFile(replacement->temporary_path);
    return FileWriteStatus::Failed(path, Reason(failed_step, error));
  }
  return FileWriteStatus{true, path, {}};
}

}  // namespace

FileSystem& CurrentFileSystem() {
  FileSystem* file_system = installed.load();
  return file_system != nullptr ? *file_system : SystemFileSystem();
}

ScopedFileSystem::ScopedFileSystem(FileSystem& file_system)
    : previous_(installed.exchange(&file_system)) {}

ScopedFileSystem::~ScopedFileSystem() { installed.store(previous_); }

std::optional<OutputFile> OutputFile::Open(const std::string& path, OutputMode mode,
                                           std::string& error) {
  std::unique_ptr<WritableFile> file = CurrentFileSystem().OpenOutput(path, mode, error);
  if (!file) return std::nullopt;
  return OutputFile(std::move(file));
}

std::optional<InputFile> InputFile::OpenShared(const std::string& path) {
  std::unique_ptr<ReadableFile> file = CurrentFileSystem().OpenInput(path);
  if (!file) return std::nullopt;
  return InputFile(std::move(file));
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_size) {
  std::unique_ptr<ReadableFile> file = CurrentFileSystem().OpenInput(path);
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const std::size_t want = std::min(sizeof buffer, max_size - bytes.size());
    const std::ptrdiff_t count = want == 0 ? 0 : file->Read(buffer, want);
    if (count < 0) return std::nullopt;
    if (count == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
}

std::optional<std::int64_t> FileSize(const std::string& path) {
  std::unique_ptr<ReadableFile> file = CurrentFileSystem().OpenInput(path);
  if (!file) return std::nullopt;
  return file->Size();
}

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t count) {
  std::unique_ptr<ReadableFile> file = CurrentFileSystem().OpenInput(path);
  if (!file) return std::nullopt;
  const std::optional<std::int64_t> size = file->Size();
  if (!size) return std::nullopt;
  const std::int64_t start = std::max<std::int64_t>(0, *size - static_cast<std::int64_t>(count));
  if (!file->Seek(start)) return std::nullopt;
  std::string tail(static_cast<std::size_t>(*size - start), '\0');
  std::size_t filled = 0;
  while (filled < tail.size()) {
    const std::ptrdiff_t read = file->Read(tail.data() + filled, tail.size() - filled);
    if (read < 0) return std::nullopt;
    if (read == 0) break;  // cut meanwhile: what is there
    filled += static_cast<std::size_t>(read);
  }
  tail.resize(filled);
  return tail;
}

bool PathExists(const std::string& path) {
  return CurrentFileSystem().KindOf(path) != PathKind::kMissing;
}

bool IsFile(const std::string& path) { return CurrentFileSystem().KindOf(path) == PathKind::kFile; }

bool IsFolder(const std::string& path) {
  return CurrentFileSystem().KindOf(path) == PathKind::kFolder;
}

bool RemoveFile(const std::string& path) { return CurrentFileSystem().RemoveFile(path); }

bool MakeFolder(const std::string& path) { return CurrentFileSystem().MakeFolder(path); }

FileWriteStatus CopyFile(const std::string& from, const std::string& to) {
  std::unique_ptr<ReadableFile> source = CurrentFileSystem().OpenInput(from);
  if (!source) return FileWriteStatus::Failed(to, "open " + from + ": cannot be read");
  return ReplaceWith(to, [&source](WritableFile& file, std::string& error) -> const char* {
    char buffer[65536];
    for (;;) {
      const std::ptrdiff_t count = source->Read(buffer, sizeof buffer);
      if (count == 0) return nullptr;
      if (count < 0) {
        error = "read error";
        return "read";
      }
      if (!file.Write(std::string_view(buffer, static_cast<std::size_t>(count)), error)) {
        return "write";
      }
    }
  });
}

FileWriteStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceWith(path, [bytes](WritableFile& file, std::string& error) -> const char* {
    return file.Write(bytes, error) ? nullptr : "write";
  });
}

}  // namespace kasumido
