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

// The folder for work files and covers (path text), ending in a separator. The sources,
// in order: the variable "temp" in any case (TEMP, temp, Temp...) of any length, then the
// system's own temporary folders (on Linux TMPDIR, then "/tmp"; on Windows what
// GetTempPathW answers), each trimmed of bytes of value 0x20 or below. A source is usable
// when it is an absolute path that names more than a root folder; an unset, empty,
// relative or root-only value is passed over, so the result is never a root folder.
// Among usable sources the first one the host can name (SjisPathForHost: its covers'
// paths can be written into the master file) wins, else the first usable one. Empty when
// no source is usable.
std::string TempFolder();

}  // namespace kasumido
