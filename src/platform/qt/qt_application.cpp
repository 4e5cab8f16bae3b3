#include "platform/qt/qt_application.h"

#include <QCoreApplication>
#include <QString>
#include <QStringDecoder>

namespace kasumido {
namespace {

// The console run's loop is Qt's own event dispatcher rather than its GLib one, which
// wakes itself through its eventfd each time a socket notifier is switched on or off
// (several times a request). QT_NO_GLIB chooses it when the application is made; the
// variable is then taken back so that programs started from here do not inherit it.
std::unique_ptr<QCoreApplication> MakeConsoleApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsSet("QT_NO_GLIB"))
    return std::make_unique<QCoreApplication>(argc, argv);
  qputenv("QT_NO_GLIB", "1");
  auto application = std::make_unique<QCoreApplication>(argc, argv);
  qunsetenv("QT_NO_GLIB");
  return application;
}

}  // namespace

ConsoleApplication::ConsoleApplication(int& argc, char** argv, std::string_view title)
    : application_(MakeConsoleApplication(argc, argv)) {
  if (title.empty()) return;
  QStringDecoder decoder("windows-31j");
  QCoreApplication::setApplicationName(
      decoder(QByteArrayView(title.data(), static_cast<qsizetype>(title.size()))));
}

ConsoleApplication::~ConsoleApplication() = default;

}  // namespace kasumido
