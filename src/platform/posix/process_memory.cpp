#include "platform/process_memory.h"

#include <sys/resource.h>

namespace kasumido {

std::optional<std::uint64_t> PeakWorkingSetBytes() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // Linux counts KiB
}

}  // namespace kasumido
