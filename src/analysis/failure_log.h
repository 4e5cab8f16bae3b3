// The run log's lines for what the analyses could not do: "<subject> <word> (<reason>)",
// where the subject is a URL or a file name, the word one of the program's texts and the
// reason plain words (left out, with its parentheses, when empty).
#pragma once

#include <string_view>

#include "analysis/run_access.h"

namespace kasumido {

enum class LogLineKind { kPlain, kError };

void LogFailure(RunAccess& run, LogLineKind kind, std::string_view subject, std::string_view word,
                std::string_view reason);

}  // namespace kasumido
