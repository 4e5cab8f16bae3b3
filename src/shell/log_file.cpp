#include "shell/log_file.h"

#include <cstdio>
#include <optional>

#include "about/version_info.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "text/paths.h"

namespace kasumido {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  return *std::localtime(&now);
}

std::string Date(const std::tm& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.tm_year + 1900, time.tm_mon + 1,
                time.tm_mday);
  return text;
}

// Always 24-hour "hh:nn:ss", whatever the locale.
std::string Time(const std::tm& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.tm_hour, time.tm_min, time.tm_sec);
  return text;
}

}  // namespace

TLogFile::TLogFile(std::string program_file, TimeSource now)
    : program_file_(std::move(program_file)),
      program_folder_(FolderOf(program_file_)),
      now_(now ? std::move(now) : TimeSource(LocalNow)) {}

TLogFile::~TLogFile() {
  if (active_) EndLog();
}

void TLogFile::SetActive(bool active) {
  if (active) {
    active_ = true;
    StartLog();
  } else {
    EndLog();
    active_ = false;
  }
}

void TLogFile::StartLog() {
  if (!active_ || !Named()) return;
  bool written = false;
  try {
    log_file_name_ = ResolvedName();
    const std::string folder = FolderOf(log_file_name_);
    if (!folder.empty()) MakeFolder(folder);
    VersionRecord version;
    GetVersionInfo(program_file_, version);
    const std::tm now = now_();
    std::string block = "--- START ---\t" + Date(now) + " " + Time(now);
    block.append(kLineEnd).append("Version ").append(version.FileVersion()).append(kLineEnd);
    written = Append(block);
  } catch (...) {  // the log never raises: a START that fails switches the log off
  }
  if (!written) SetActive(false);
}

void TLogFile::EndLog() {
  if (!active_ || !Named()) return;
  try {
    const std::tm now = now_();
    std::string line = "--- END ---\t" + Date(now) + "\t" + Time(now);
    Append(line.append(kLineEnd));
  } catch (...) {  // a lost END line is not reported
  }
}

bool TLogFile::WriteLog(std::string_view message, bool is_error) {
  if (!active_ || !Named()) return false;
  try {
    std::string line;
    if (is_error) {
      line.append(FileNameOf(log_file_name_)).append(": ").append(message).append(" (C.ERROR)");
    } else {
      line.append(message);
    }
    return Append(line.append(kLineEnd));
  } catch (...) {
    return false;
  }
}

bool TLogFile::Named() const {
  for (char c : log_file_name_) {
    if (static_cast<unsigned char>(c) > ' ') return true;
  }
  return false;
}

std::string TLogFile::ResolvedName() const {
  if (IsAbsolutePath(log_file_name_)) return log_file_name_;
  return JoinPath(program_folder_, log_file_name_);
}

bool TLogFile::Append(std::string_view lines) const {
  std::string error;
  std::optional<OutputFile> file = OutputFile::Open(ResolvedName(), OutputMode::kAppend, error);
  if (!file) return false;
  const bool written = file->Write(lines, error);
  return file->Close(error) && written;
}

}  // namespace kasumido
