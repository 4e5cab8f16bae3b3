#include "tool_loop.h"

#include "platform/qt/qt_application.h"
#include "platform/qt/qt_event_loop.h"

namespace kasumido {

struct ToolLoop::Application {
  ConsoleApplication console;
};

ToolLoop::ToolLoop(int& argc, char** argv)
    : application_(new Application{ConsoleApplication(argc, argv, "")}), loop_(MakeEventLoop()) {}

ToolLoop::~ToolLoop() = default;

}  // namespace kasumido
