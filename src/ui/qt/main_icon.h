// The program's icon "MAINICON" (a 32 x 32 picture embedded as a Qt resource): the
// version dialog's image and every window's icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kasumido {

// The icon at its own size; a null pixmap when the resource is missing.
QPixmap MainIconPixmap();
QIcon MainIcon();

}  // namespace kasumido
