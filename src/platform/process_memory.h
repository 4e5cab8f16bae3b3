// What the program's process has used of the machine's memory, for the report at exit
// (KASUMIDO_REPORT_MEMORY): the largest resident set (Linux) or working set (Windows)
// the process has had so far.
#pragma once

#include <cstdint>
#include <optional>

namespace kasumido {

// Bytes; nothing when the system does not tell.
std::optional<std::uint64_t> PeakWorkingSetBytes();

}  // namespace kasumido
