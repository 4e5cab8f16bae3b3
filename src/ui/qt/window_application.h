// The toolkit's application object of the program with windows: titled with the product
// name, with the icon MAINICON, and not quitting when its last window closes (a window
// closed by the user during the run only stops the run, which still has to end its wait
// and write its END line).
#pragma once

#include <memory>

class QApplication;

namespace kasumido {

class WindowApplication {
 public:
  WindowApplication(int& argc, char** argv);
  ~WindowApplication();
  WindowApplication(const WindowApplication&) = delete;
  WindowApplication& operator=(const WindowApplication&) = delete;

  // Pumps the event loop: runs the toolkit's loop until Quit.
  void Exec();
  // Ends Exec once the current handler has returned.
  static void Quit();

 private:
  std::unique_ptr<QApplication> application_;
};

// Sets the application's title (the product name) and icon (MAINICON), and keeps the
// application running when its last window closes.
// REQUIRES: a QApplication exists.
void SetUpWindowApplication();

}  // namespace kasumido
