#include "shell/host_folder.h"

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "text/paths.h"

namespace kasumido {
namespace {

constexpr std::string_view kProbeName = "kasumido-write-check.tmp";

// The reason `path` cannot be opened as `mode` says; nothing when it can.
std::optional<std::string> OpenProblem(const std::string& path, OutputMode mode) {
  std::string error;
  std::optional<OutputFile> file = OutputFile::Open(path, mode, error);
  if (!file) return ShiftJisForDisplay(path) + ": " + error;
  std::string ignored;
  (void)file->Close(ignored);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> HostFolderWriteProblem(const std::string& host_dir,
                                                  const std::string& master_file) {
  const std::string probe = JoinPath(host_dir, kProbeName);
  if (std::optional<std::string> problem = OpenProblem(probe, OutputMode::kCreateOrTruncate)) {
    return problem;
  }
  RemoveFile(probe);
  if (PathExists(master_file)) return OpenProblem(master_file, OutputMode::kAppend);
  return std::nullopt;
}

}  // namespace kasumido
