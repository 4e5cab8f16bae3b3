// Files on Windows: the W functions with paths converted from Shift_JIS (code page 932).
// Appending opens with FILE_APPEND_DATA only, so every WriteFile goes to the end of the
// file, also with other writers; reading shares reading, writing and deleting; a
// replacement is a temporary file beside the target, flushed and moved over it with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
#include "platform/files.h"

#include <windows.h>
// The seam's own CopyFile, not the system's CopyFileW macro.
#undef CopyFile

#include <algorithm>
#include <functional>

#include "platform/win32/wide_text.h"

namespace kasumido {
namespace {

constexpr std::intptr_t kClosed = kClosedFile;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Value(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kClosed : reinterpret_cast<std::intptr_t>(handle);
}

std::string Reason(std::string_view step, DWORD error) {
  return std::string(step) + ": " + SystemErrorText(error);
}

// Writes every byte; one WriteFile for the whole span unless the system takes less.
bool WriteAll(HANDLE file, std::string_view bytes, DWORD& error) {
  while (!bytes.empty()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), want, &written, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (written == 0) {
      error = ERROR_DISK_FULL;
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(WideFromSjis(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WideFromSjis(path).c_str()); }

// The folder part of `path` up to and including its last separator that is not a trail
// byte of a double-byte character; empty when there is none.
std::string FolderPart(const std::string& path) {
  std::size_t end = 0;
  for (std::size_t at = 0; at < path.size(); ++at) {
    const unsigned char byte = static_cast<unsigned char>(path[at]);
    if (IsDBCSLeadByteEx(kShiftJisCodePage, byte)) {
      ++at;
    } else if (byte == '\\' || byte == '/' || byte == ':') {
      end = at + 1;
    }
  }
  return path.substr(0, end);
}

// Writes a temporary file beside `path` with `fill`, flushes it and moves it over `path`.
// `fill` answers the failed step's name and sets `error`, or null.
FileWriteStatus ReplaceWith(const std::string& path,
                            const std::function<const char*(HANDLE file, DWORD& error)>& fill) {
  const std::wstring target = WideFromSjis(path);
  std::wstring folder = WideFromSjis(FolderPart(path));
  if (folder.empty()) folder = L".";
  wchar_t temp[MAX_PATH + 1];
  if (GetTempFileNameW(folder.c_str(), L"ksm", 0, temp) == 0) {
    return FileWriteStatus::Failed(path, Reason("create temporary file", GetLastError()));
  }
  HANDLE file =
      CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileW(temp);
    return FileWriteStatus::Failed(path, Reason("create temporary file", error));
  }
  DWORD error = 0;
  const char* failed_step = fill(file, error);
  if (failed_step == nullptr && !FlushFileBuffers(file)) {
    failed_step = "flush";
    error = GetLastError();
  }
  if (!CloseHandle(file) && failed_step == nullptr) {
    failed_step = "close";
    error = GetLastError();
  }
  if (failed_step == nullptr &&
      !MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failed_step = "rename";
    error = GetLastError();
  }
  if (failed_step != nullptr) {
    DeleteFileW(temp);
    return FileWriteStatus::Failed(path, Reason(failed_step, error));
  }
  return FileWriteStatus{true, path, {}};
}

}  // namespace

void CloseFileHandle(std::intptr_t handle) {
  if (handle != kClosed) CloseHandle(Handle(handle));
}

std::optional<OutputFile> OutputFile::Open(const std::string& path, OutputMode mode,
                                           std::string& error) {
  const bool append = mode == OutputMode::kAppend;
  HANDLE file = CreateFileW(WideFromSjis(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = SystemErrorText(GetLastError());
    return std::nullopt;
  }
  return OutputFile(Value(file));
}

bool OutputFile::Write(std::string_view bytes, std::string& error) {
  if (handle_ == kClosed) {
    error = SystemErrorText(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD code = 0;
  if (WriteAll(Handle(handle_), bytes, code)) return true;
  error = SystemErrorText(code);
  return false;
}

bool OutputFile::Close(std::string& error) {
  if (handle_ == kClosed) return true;
  if (!CloseHandle(Handle(std::exchange(handle_, kClosed)))) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  return true;
}

std::optional<InputFile> InputFile::OpenShared(const std::string& path) {
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  return InputFile(Value(file));
}

std::ptrdiff_t InputFile::Read(char* buffer, std::size_t size) {
  if (handle_ == kClosed) return -1;
  DWORD count = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(Handle(handle_), buffer, want, &count, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(count);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_size) {
  if (!IsFile(path)) return std::nullopt;
  std::optional<InputFile> file = InputFile::OpenShared(path);
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

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideFromSjis(path).c_str()) != 0; }

bool MakeFolder(const std::string& path) {
  return CreateDirectoryW(WideFromSjis(path).c_str(), nullptr) != 0 || IsFolder(path);
}

FileWriteStatus CopyFile(const std::string& from, const std::string& to) {
  HANDLE source = OpenForReading(from);
  if (source == INVALID_HANDLE_VALUE) {
    return FileWriteStatus::Failed(to, Reason("open " + from, GetLastError()));
  }
  const FileWriteStatus status =
      ReplaceWith(to, [source](HANDLE file, DWORD& error) -> const char* {
        char buffer[65536];
        for (;;) {
          DWORD count = 0;
          if (!ReadFile(source, buffer, sizeof buffer, &count, nullptr)) {
            error = GetLastError();
            return "read";
          }
          if (count == 0) return nullptr;
          if (!WriteAll(file, std::string_view(buffer, count), error)) return "write";
        }
      });
  CloseHandle(source);
  return status;
}

FileWriteStatus ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceWith(path, [bytes](HANDLE file, DWORD& error) -> const char* {
    return WriteAll(file, bytes, error) ? nullptr : "write";
  });
}

}  // namespace kasumido
