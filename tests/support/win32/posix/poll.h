// poll() for the test loop on Windows: Winsock's WSAPoll on sockets, the only descriptors
// the Windows tests watch.
#pragma once

#include <winsock2.h>

#include <cstddef>

inline int poll(WSAPOLLFD* fds, std::size_t count, int timeout_ms) {
  return WSAPoll(fds, static_cast<ULONG>(count), timeout_ms);
}
