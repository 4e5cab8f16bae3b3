// Files on Windows: the W functions. Appending opens with FILE_APPEND_DATA, so every
// WriteFile goes to the end of the file, also with other writers; reading shares reading,
// writing and deleting; a replacement is a temporary file beside the target, flushed and
// moved over it with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/file_system.h"
#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool Fail(DWORD code, std::string& error) {
  error = SystemErrorText(code);
  return false;
}

std::optional<std::int64_t> SizeOf(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return std::nullopt;
  return static_cast<std::int64_t>(size.QuadPart);
}

class Win32WritableFile final : public WritableFile {
 public:
  Win32WritableFile(HANDLE file, OutputMode mode)
      : file_(file), append_(mode == OutputMode::kAppend) {}
  ~Win32WritableFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  Win32WritableFile(const Win32WritableFile&) = delete;
  Win32WritableFile& operator=(const Win32WritableFile&) = delete;

  // One WriteFile for the whole span unless the system takes less.
  bool Write(std::string_view bytes, std::string& error) override {
    if (file_ == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE, error);
    while (!bytes.empty()) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, bytes.data(), want, &written, nullptr)) {
        return Fail(GetLastError(), error);
      }
      if (written == 0) return Fail(ERROR_DISK_FULL, error);
      bytes.remove_prefix(written);
    }
    return true;
  }
  std::optional<std::int64_t> Size(std::string& error) override {
    if (file_ == INVALID_HANDLE_VALUE) {
      Fail(ERROR_INVALID_HANDLE, error);
      return std::nullopt;
    }
    std::optional<std::int64_t> size = SizeOf(file_);
    if (!size) Fail(GetLastError(), error);
    return size;
  }
  // The cut goes through a handle with the right to write anywhere: the file's own, or
  // for an appending handle (which may only add to the end) a second one to the same
  // open file. The next write lands at the new end.
  bool Truncate(std::int64_t size, std::string& error) override {
    if (file_ == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE, error);
    HANDLE writer = append_ ? ReOpenFile(file_, GENERIC_WRITE, kShareAll, 0) : file_;
    if (writer == INVALID_HANDLE_VALUE) return Fail(GetLastError(), error);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    const bool cut = SetFilePointerEx(writer, end, nullptr, FILE_BEGIN) && SetEndOfFile(writer);
    const DWORD code = GetLastError();
    if (writer != file_) CloseHandle(writer);
    return cut || Fail(code, error);
  }
  bool Flush(std::string& error) override {
    if (file_ == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE, error);
    return FlushFileBuffers(file_) || Fail(GetLastError(), error);
  }
  bool Close(std::string& error) override {
    if (file_ == INVALID_HANDLE_VALUE) return true;
    return CloseHandle(std::exchange(file_, INVALID_HANDLE_VALUE)) || Fail(GetLastError(), error);
  }

 private:
  HANDLE file_;
  bool append_;
};

class Win32ReadableFile final : public ReadableFile {
 public:
  explicit Win32ReadableFile(HANDLE file) : file_(file) {}
  ~Win32ReadableFile() override { CloseHandle(file_); }
  Win32ReadableFile(const Win32ReadableFile&) = delete;
  Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    DWORD count = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(file_, buffer, want, &count, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(count);
  }
  std::optional<std::int64_t> Size() override { return SizeOf(file_); }
  bool Seek(std::int64_t offset) override {
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) != 0;
  }

 private:
  HANDLE file_;
};

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

// A number for a temporary file's name (CREATE_NEW refuses one that is taken).
std::uint32_t Random() {
  static std::mt19937 random(GetCurrentProcessId() ^ static_cast<unsigned>(GetTickCount64()));
  return random();
}

// The folder part of `path` up to and including its last separator; empty when there
// is none.
std::string FolderPart(const std::string& path) {
  const std::size_t last = LastPathSeparator(path);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<WritableFile> OpenOutput(const std::string& path, OutputMode mode,
                                           std::string& error) override {
    const bool append = mode == OutputMode::kAppend;
    const DWORD access = (append ? FILE_APPEND_DATA : GENERIC_WRITE) | FILE_READ_ATTRIBUTES;
    HANDLE file = CreateFileW(WidePath(path).c_str(), access, kShareReadWrite, nullptr,
                              append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Fail(GetLastError(), error);
      return nullptr;
    }
    return std::make_unique<Win32WritableFile>(file, mode);
  }

  std::unique_ptr<ReadableFile> OpenInput(const std::string& path) override {
    if (KindOf(path) != PathKind::kFile) return nullptr;
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32ReadableFile>(file);
  }

  // A new file of a random name beside the target (GetTempFileNameW would limit the
  // folder to MAX_PATH), created only when no such file exists yet.
  std::optional<Replacement> CreateReplacement(const std::string& path,
                                               std::string& error) override {
    const std::string folder = FolderPart(path);
    DWORD code = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 16 && code == ERROR_FILE_EXISTS; ++attempt) {
      char name[32];
      std::snprintf(name, sizeof name, "ksm%08lx.tmp", static_cast<unsigned long>(Random()));
      const std::string temp = folder + name;
      HANDLE file = CreateFileW(WidePath(temp).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        return Replacement{std::make_unique<Win32WritableFile>(file, OutputMode::kCreateOrTruncate),
                           temp, path};
      }
      code = GetLastError();
    }
    Fail(code, error);
    return std::nullopt;
  }

  bool Rename(const std::string& from, const std::string& to, std::string& error) override {
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Fail(GetLastError(), error);
  }

  PathKind KindOf(const std::string& path) override {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
    return PathKind::kFile;
  }

  bool RemoveFile(const std::string& path) override {
    return DeleteFileW(WidePath(path).c_str()) != 0;
  }

  bool MakeFolder(const std::string& path) override {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0 ||
           KindOf(path) == PathKind::kFolder;
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace kasumido
