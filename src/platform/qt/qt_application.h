// The toolkit's application object of a program without windows (the console run and the
// tools). It must exist before MakeEventLoop and outlive the loop.
#pragma once

#include <memory>
#include <string_view>

class QCoreApplication;

namespace kasumido {

class ConsoleApplication {
 public:
  // `title` (Shift_JIS) names the application; empty leaves the toolkit's default.
  ConsoleApplication(int& argc, char** argv, std::string_view title);
  ~ConsoleApplication();
  ConsoleApplication(const ConsoleApplication&) = delete;
  ConsoleApplication& operator=(const ConsoleApplication&) = delete;

 private:
  std::unique_ptr<QCoreApplication> application_;
};

}  // namespace kasumido
