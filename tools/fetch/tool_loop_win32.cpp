#include "tool_loop.h"

#include "platform/win32/win32_event_loop.h"

namespace kasumido {

// The message-queue loop needs no application object.
struct ToolLoop::Application {};

ToolLoop::ToolLoop(int&, char**) : loop_(MakeEventLoop()) {}

ToolLoop::~ToolLoop() = default;

}  // namespace kasumido
