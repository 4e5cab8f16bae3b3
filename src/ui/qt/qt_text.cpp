#include "ui/qt/qt_text.h"

#include <QFontDatabase>
#include <QStringDecoder>
#include <QStringList>

#include "kasumido/texts.h"

namespace kasumido {

QString QStringFromSjis(std::string_view sjis) {
  QStringDecoder decoder("windows-31j");
  return decoder(QByteArrayView(sjis.data(), static_cast<qsizetype>(sjis.size())));
}

QFont WindowFont() {
  const QStringList installed = QFontDatabase::families();
  QFont font;
  for (const QString& family : {QStringFromSjis(texts::kWindowFontName),
                                QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}) {
    if (installed.contains(family)) {
      font.setFamily(family);
      break;
    }
  }
  font.setPixelSize(12);
  return font;
}

}  // namespace kasumido
