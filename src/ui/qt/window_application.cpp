#include "ui/qt/window_application.h"

#include <QApplication>

#include "kasumido/texts.h"
#include "ui/qt/main_icon.h"
#include "ui/qt/qt_text.h"

namespace kasumido {

WindowApplication::WindowApplication(int& argc, char** argv)
    : application_(std::make_unique<QApplication>(argc, argv)) {
  SetUpWindowApplication();
}

WindowApplication::~WindowApplication() = default;

void WindowApplication::Exec() { QApplication::exec(); }

void WindowApplication::Quit() { QCoreApplication::quit(); }

void SetUpWindowApplication() {
  QCoreApplication::setApplicationName(QStringFromSjis(texts::kProductName));
  QApplication::setWindowIcon(MainIcon());
  QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace kasumido
