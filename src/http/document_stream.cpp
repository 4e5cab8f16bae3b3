#include "http/document_stream.h"

#include "platform/text_encoding.h"

namespace kasumido {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path,
                       const std::string& reason) {
  throw EDocumentStreamError(what + " " + ShiftJisForDisplay(path) + ": " + reason);
}

}  // namespace

FileDocumentStream::FileDocumentStream(const std::string& path) : path_(path) {
  std::string reason;
  file_ = OutputFile::Open(path, OutputMode::kCreateOrTruncate, reason);
  if (!file_) Fail("Cannot create", path_, reason);
}

void FileDocumentStream::Write(const char* data, std::size_t size) {
  std::string reason;
  if (!file_ || !file_->Write(std::string_view(data, size), reason)) {
    Fail("Cannot write", path_, file_ ? reason : "the file is closed");
  }
  size_ += static_cast<std::int64_t>(size);
}

void FileDocumentStream::Close() {
  if (!file_) return;
  std::string reason;
  const bool closed = file_->Close(reason);
  file_.reset();
  if (!closed) Fail("Cannot close", path_, reason);
}

}  // namespace kasumido
