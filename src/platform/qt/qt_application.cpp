#include "platform/qt/qt_application.h"

#include <QCoreApplication>
#include <QString>
#include <QStringDecoder>

namespace kasumido {

ConsoleApplication::ConsoleApplication(int& argc, char** argv, std::string_view title)
    : application_(std::make_unique<QCoreApplication>(argc, argv)) {
  if (title.empty()) return;
  QStringDecoder decoder("windows-31j");
  QCoreApplication::setApplicationName(
      decoder(QByteArrayView(title.data(), static_cast<qsizetype>(title.size()))));
}

ConsoleApplication::~ConsoleApplication() = default;

}  // namespace kasumido
