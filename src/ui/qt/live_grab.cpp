#include "ui/qt/live_grab.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace kasumido {

void GrabLaterIfAsked(QWidget& window, const char* variable) {
  const QString file = qEnvironmentVariable(variable);
  if (file.isEmpty()) return;
  bool ok = false;
  int delay_ms = qEnvironmentVariableIntValue("KASUMIDO_GRAB_AFTER_MS", &ok);
  if (!ok || delay_ms < 0) delay_ms = 3000;
  QWidget* target = &window;
  QTimer::singleShot(delay_ms, target, [target, file] { target->grab().save(file, "PNG"); });
}

}  // namespace kasumido
