#include "ui/qt/link_label.h"

#include <QMouseEvent>

namespace kasumido {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(colours);
  setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick) {
    OnClick();
  }
}

}  // namespace kasumido
