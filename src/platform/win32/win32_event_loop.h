// The event loop of the Windows build, on the thread's own message queue: a waiting call
// blocks in one MsgWaitForMultipleObjectsEx, woken by window messages, by Winsock's
// network event (WSAEventSelect) or by the next timer. Posted calls wait in the loop's
// own queue (a wait never blocks while one is queued); host names are looked up by
// WSAAsyncGetHostByName, whose answer arrives as a message to the loop's message-only
// window.
//
// Socket notifiers are level-triggered as on Linux: the loop keeps each watched socket's
// readiness from Winsock's network events (WSAEnumNetworkEvents when the event is
// signalled) and looks again after a notifier has fired (what still waits to be read),
// so a notifier fires again while its socket stays ready, a closed connection reads as
// ready, and a failed connect counts as ready for reading and for writing. Each pass
// makes as few system calls as that allows: under Wine each one is a round trip to the
// Wine server, and select() is asked only about a write notifier left enabled after it
// fired (no network event says when a full send buffer has room again before a send
// would block).
#pragma once

#include <memory>

#include "platform/event_loop.h"

namespace kasumido {

// The program's event loop, for the calling thread.
// REQUIRES: every handle made from it is used from that thread and destroyed before it.
std::unique_ptr<EventLoop> MakeEventLoop();

// Keyboard navigation of the program's windows: while added, the messages for `window`
// (an HWND) and its children pass through the system's dialog navigation before they are
// dispatched (Tab between controls, Enter for the default button, Esc as IDCANCEL). The
// loop of the calling thread does this in every pump; a window is removed before it is
// destroyed.
void AddDialogNavigation(void* window);
void RemoveDialogNavigation(void* window);

}  // namespace kasumido
