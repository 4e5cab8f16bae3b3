#include "platform/environment.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"

namespace kasumido {

std::optional<std::string> EnvironmentValue(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
  if (const char* exact = std::getenv(std::string(name).c_str())) return std::string(exact);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    if (EqualsIgnoringAsciiCase(std::string_view(*entry, equals - *entry), name)) {
      return std::string(equals + 1);
    }
  }
  return std::nullopt;
}

}  // namespace kasumido
