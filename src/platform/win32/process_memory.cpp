#include "platform/process_memory.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

namespace kasumido {

std::optional<std::uint64_t> PeakWorkingSetBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return std::nullopt;
  return static_cast<std::uint64_t>(counters.PeakWorkingSetSize);
}

}  // namespace kasumido
