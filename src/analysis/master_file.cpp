#include "analysis/master_file.h"

namespace kasumido {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path,
                       const std::string& reason) {
  throw MasterFileError(what + " \"" + path + "\": " + reason, reason);
}

}  // namespace

MasterFile::MasterFile(const std::string& path) : path_(path) {
  std::string reason;
  file_ = OutputFile::Open(path, OutputMode::kAppend, reason);
  if (!file_) Fail("cannot open master file", path_, reason);
}

void MasterFile::AppendLine(std::string_view line) {
  std::string reason;
  if (!file_->Write(line, reason)) Fail("cannot write master file", path_, reason);
}

}  // namespace kasumido
