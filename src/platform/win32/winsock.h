// Winsock's start-up for the Windows back end: every socket and lookup call goes through
// EnsureWinsock first, which starts Winsock 2.2 once for the process.
#pragma once

namespace kasumido {

// 0 once Winsock runs, else the error WSAStartup reported.
int EnsureWinsock();

}  // namespace kasumido
