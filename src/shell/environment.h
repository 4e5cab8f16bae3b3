// The program's reading of its environment: values through a fixed buffer of 260 bytes,
// names matched without regard to case (platform/environment.h), and the temporary
// folder where work files and cover images go.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// Values of this many bytes or more do not fit the program's buffer and read as unset.
inline constexpr size_t kEnvValueBufferSize = 260;

// The value of the environment variable `name`, with leading and trailing bytes of value
// 0x20 or below removed. A variable of exactly that name wins; otherwise the first one in
// the environment whose name matches when case is ignored. Empty when no such variable is
// set or when its raw value is kEnvValueBufferSize bytes or longer.
std::string GetEnvValue(std::string_view name);

// The folder for work files, ending in a separator. Taken from the first usable value
// among GetEnvValue("temp") (any case: TEMP, temp, Temp...), then the system's own
// temporary folders (on Linux TMPDIR, then "/tmp"), each read by the same buffer and trim
// rules. A value is usable when it is an absolute path that names more than a root
// folder; an unset, empty, too long, relative or root-only value falls through to the
// next source, so the result is never a root folder alone. The platform's separator is
// appended unless the value already ends with "/" or with a "\" that is not the trail
// byte of a double-byte character.
std::string TempFolder();

}  // namespace kasumido
