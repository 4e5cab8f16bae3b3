// The few POSIX calls the suites make that the Windows C library names differently,
// included before every test source of the Windows build.
#pragma once

#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

// An empty value removes the variable from the C library's and the system's environment.
inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }
