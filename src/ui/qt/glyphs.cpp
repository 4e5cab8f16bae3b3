#include "ui/qt/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace kasumido {
namespace {

const QColor kPlayGreen(0, 150, 60);
const QColor kSkipBlue(30, 90, 200);
const QColor kStopRed(205, 40, 40);
const QColor kPauseAmber(215, 140, 0);
const QColor kGlobeBlue(40, 110, 190);

void Triangle(QPainter& painter, qreal left, qreal right, const QColor& colour) {
  const QPolygonF shape({QPointF(left, 3), QPointF(right, 8), QPointF(left, 13)});
  painter.setPen(QPen(colour.darker(140), 1));
  painter.setBrush(colour);
  painter.drawPolygon(shape);
}

void DrawPlay(QPainter& painter) { Triangle(painter, 4.5, 12.5, kPlayGreen); }

void DrawSkip(QPainter& painter) {
  Triangle(painter, 1.5, 7.5, kSkipBlue);
  Triangle(painter, 7.5, 13.5, kSkipBlue);
  painter.fillRect(QRectF(13, 3, 2, 10), kSkipBlue.darker(140));
}

void DrawStop(QPainter& painter) {
  painter.setPen(QPen(kStopRed.darker(150), 1));
  painter.setBrush(kStopRed);
  painter.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.5, 1.5);
}

void DrawPause(QPainter& painter) {
  painter.setPen(QPen(kPauseAmber.darker(150), 1));
  painter.setBrush(kPauseAmber);
  painter.drawRect(QRectF(3.5, 2.5, 3, 11));
  painter.drawRect(QRectF(9.5, 2.5, 3, 11));
}

// A globe: the publisher's home page.
void DrawHomePage(QPainter& painter) {
  painter.setPen(QPen(kGlobeBlue.darker(140), 1));
  painter.setBrush(QColor(200, 228, 255));
  painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QRectF(5, 1.5, 6, 13));
  painter.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
  painter.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  painter.drawLine(QPointF(3, 4.8), QPointF(13, 4.8));
  painter.drawLine(QPointF(3, 11.2), QPointF(13, 11.2));
}

// A small "i" in a circle: the version dialog.
void DrawAbout(QPainter& painter) {
  painter.setPen(QPen(kGlobeBlue.darker(140), 1));
  painter.setBrush(kGlobeBlue);
  painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(6.8, 3.6, 2.4, 2.4));
  painter.drawRect(QRectF(7, 7, 2, 5.5));
  painter.drawRect(QRectF(6, 11.5, 4, 1.2));
}

}  // namespace

QIcon MakeGlyph(Glyph glyph) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case Glyph::kPlay:
      DrawPlay(painter);
      break;
    case Glyph::kSkip:
      DrawSkip(painter);
      break;
    case Glyph::kStop:
      DrawStop(painter);
      break;
    case Glyph::kPause:
      DrawPause(painter);
      break;
    case Glyph::kHomePage:
      DrawHomePage(painter);
      break;
    case Glyph::kAbout:
      DrawAbout(painter);
      break;
  }
  painter.end();
  return QIcon(pixmap);
}

}  // namespace kasumido
