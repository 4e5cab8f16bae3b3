#include "analysis/failure_log.h"

#include <string>

namespace kasumido {

void LogFailure(RunAccess& run, LogLineKind kind, std::string_view subject, std::string_view word,
                std::string_view reason) {
  std::string line(subject);
  line += ' ';
  line += word;
  if (!reason.empty()) {
    line += " (";
    line += reason;
    line += ')';
  }
  if (kind == LogLineKind::kError) {
    run.WriteErrorLog(line);
  } else {
    run.WriteLog(line);
  }
}

}  // namespace kasumido
