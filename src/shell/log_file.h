// The run log shared with the host: a text file that every run appends a START block, its
// messages and an END line to. Every line is written with its own open (append, or create),
// write, flush and close, so the host may read, append to or rename the file between two
// lines and nothing written is lost if the program dies. Lines end in CR LF and hold
// Shift_JIS bytes. The log never raises an error to its callers: a file that cannot be
// written only means lost lines, and a START block that cannot be written switches the
// log off for the rest of the run.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace kasumido {

class TLogFile {
 public:
  // The local date and time that START and END lines are stamped with.
  using TimeSource = std::function<std::tm()>;

  // `program_file` is the program's own executable: its version record gives the
  // Version line, and its folder anchors relative log names (never the current
  // directory). `now` defaults to the system's local time.
  // REQUIRES: `program_file` is an absolute path.
  explicit TLogFile(std::string program_file, TimeSource now = {});
  // Writes the END line when the log is on.
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  bool Active() const { return active_; }
  // true: switches the log on and runs StartLog (again each time: writing true twice
  // writes two START blocks). false: runs EndLog, then switches the log off.
  void SetActive(bool active);

  // A name not starting with "/" is relative to the program's folder; StartLog replaces
  // it by that absolute form.
  const std::string& LogFileName() const { return log_file_name_; }
  void SetLogFileName(std::string name) { log_file_name_ = std::move(name); }

  // When on and named: makes the name absolute, creates its folder (one level; failure
  // ignored) and writes "--- START ---\t<yyyy-mm-dd hh:nn:ss>" and "Version <file
  // version of the program>". When that block cannot be written the log switches off.
  void StartLog();
  // When on and named: writes "--- END ---\t<yyyy-mm-dd>\t<hh:nn:ss>"; failure ignored.
  void EndLog();
  // Writes `message` as one line; with `is_error` as "<name of the log file>: <message>
  // (C.ERROR)". True when the line was written; false when the log is off, has no
  // name, or the file could not be written.
  bool WriteLog(std::string_view message, bool is_error);

 private:
  bool Named() const;
  std::string ResolvedName() const;
  // Appends `lines` (each already ending in CR LF) to the log with one open and close.
  bool Append(std::string_view lines) const;

  std::string program_file_;
  std::string program_folder_;
  TimeSource now_;
  std::string log_file_name_;
  bool active_ = false;
};

}  // namespace kasumido
