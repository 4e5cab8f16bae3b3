// The process environment, read the one way the program reads it: names are matched
// without regard to case on every platform, as on the host's platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasumido {

// The raw value of the variable `name`: a variable of exactly that name wins, otherwise
// the first one whose name matches when ASCII case is ignored. Nothing when no such
// variable is set, or when `name` is empty or holds "=".
std::optional<std::string> EnvironmentValue(std::string_view name);

}  // namespace kasumido
