#include "ui/qt/main_icon.h"

#include <QtGlobal>

// The resource lives in a static library: nothing refers to its registration, so it is
// registered here, where the icon is first asked for (outside any namespace, as Qt's
// macro requires).
static void RegisterViewResources() { Q_INIT_RESOURCE(views); }

namespace kasumido {

QPixmap MainIconPixmap() {
  static const bool registered = (RegisterViewResources(), true);
  (void)registered;
  return QPixmap(QStringLiteral(":/kasumido/MAINICON.xpm"));
}

QIcon MainIcon() { return QIcon(MainIconPixmap()); }

}  // namespace kasumido
