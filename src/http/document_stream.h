// Where the HTTP client puts the body of a document: a sink that takes the bytes in the
// order they arrive, chunk by chunk, so that no document is ever collected in memory.
// FileDocumentStream writes them into a file, one write per chunk; a write that fails
// (disk full, I/O error) throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/files.h"

namespace kasumido {

class DocumentStream {
 public:
  virtual ~DocumentStream() = default;
  // Takes `size` bytes at `data` (the pointer is valid during the call only). Throws
  // when the bytes cannot be stored; the document is then incomplete.
  virtual void Write(const char* data, std::size_t size) = 0;
};

// A file could not be created or written: the path, what failed and the system's text.
class EDocumentStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file created (or truncated) for one document. Closed by Close or by the destructor.
class FileDocumentStream : public DocumentStream {
 public:
  // Creates `path`, or truncates it when it exists. Throws EDocumentStreamError when the
  // file cannot be created (a missing folder, a folder in its place).
  explicit FileDocumentStream(const std::string& path);
  // The destructor closes the file when still open; errors are ignored then (call Close
  // to see them).
  FileDocumentStream(const FileDocumentStream&) = delete;
  FileDocumentStream& operator=(const FileDocumentStream&) = delete;

  // Writes all `size` bytes, retrying short writes. Throws EDocumentStreamError when the
  // system refuses them (disk full, I/O error) or the file is closed.
  void Write(const char* data, std::size_t size) override;
  // Closes the file. Throws EDocumentStreamError when the close reports an error (data
  // that could not be stored); nothing when already closed.
  void Close();

  // Bytes written so far.
  std::int64_t Size() const { return size_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<OutputFile> file_;
  std::int64_t size_ = 0;
};

}  // namespace kasumido
