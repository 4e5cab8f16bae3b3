// The event loop of the fetch tool, with what the platform's loop needs around it (on
// Linux the toolkit's application object, which must outlive the loop).
#pragma once

#include <memory>

#include "platform/event_loop.h"

namespace kasumido {

class ToolLoop {
 public:
  ToolLoop(int& argc, char** argv);
  ~ToolLoop();
  ToolLoop(const ToolLoop&) = delete;
  ToolLoop& operator=(const ToolLoop&) = delete;

  EventLoop& Loop() { return *loop_; }

 private:
  struct Application;
  std::unique_ptr<Application> application_;
  std::unique_ptr<EventLoop> loop_;
};

}  // namespace kasumido
