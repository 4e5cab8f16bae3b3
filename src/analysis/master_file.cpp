#include "analysis/master_file.h"

#include "platform/text_encoding.h"

namespace kasumido {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path,
                       const std::string& reason) {
  throw MasterFileError(what + " \"" + ShiftJisForDisplay(path) + "\": " + reason, reason);
}

}  // namespace

MasterFile::MasterFile(const std::string& path) : path_(path) {
  std::string reason;
  file_ = OutputFile::Open(path, OutputMode::kAppend, reason);
  if (!file_) Fail("cannot open master file", path_, reason);
}

std::string_view LineStartAfter(std::string_view tail) {
  if (tail.empty() || tail.back() == '\n') return {};
  if (tail.back() == '\r') return "\n";
  return "\r\n";
}

void MasterFile::AppendLine(std::string_view line) {
  constexpr const char* kCannotWrite = "cannot write master file";
  std::string reason;
  const std::optional<std::int64_t> size = file_->Size(reason);
  if (!size) Fail(kCannotWrite, path_, reason);
  std::string bytes;
  if (*size > 0) {
    const std::optional<std::string> tail = ReadFileTail(path_, 2);
    if (!tail) Fail(kCannotWrite, path_, "its last bytes cannot be read");
    bytes = LineStartAfter(*tail);
  }
  bytes += line;
  if (file_->Write(bytes, reason)) return;
  std::string cut_reason;
  if (!file_->Truncate(*size, cut_reason)) {
    reason += "; the part written could not be taken back: " + cut_reason;
  }
  Fail(kCannotWrite, path_, reason);
}

}  // namespace kasumido
