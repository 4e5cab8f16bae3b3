// The event loop of the Windows build, on the thread's own message queue: a waiting call
// blocks in one MsgWaitForMultipleObjectsEx, woken by window messages, by Winsock's
// network event (WSAEventSelect) or by the next timer. Posted calls wait in the loop's
// own queue (a wait never blocks while one is queued); host names are looked up by
// WSAAsyncGetHostByName, whose answer arrives as a message to the loop's message-only
// window.
//
// Socket notifiers are level-triggered as on Linux: the loop asks select() which watched
// sockets are ready whenever one may be (a network event arrived, a notifier was
// enabled, or one fired and its socket may still be ready), so a notifier fires again
// while its socket stays ready, a closed connection reads as ready, and a failed connect
// counts as ready for reading and for writing. Each pass makes as few system calls as
// that allows: under Wine each one is a round trip to the Wine server.
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
