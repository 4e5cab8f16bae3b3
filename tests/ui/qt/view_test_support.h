// Helpers of the window suite: Qt texts from the tests' UTF-8 literals and a bounded pump
// of the application's event loop.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <ostream>
#include <string_view>
#include "platform/waits.h"

// Readable failure messages for Qt values (found by argument-dependent lookup).
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace kasumido::test {

inline QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Pumps the application's event loop until done() holds or `timeout_ms` has passed;
// false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;  // bounds each blocking wait
  wake.start(20);
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Handles every event that is ready, without waiting.
inline void PumpPending() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

}  // namespace kasumido::test
