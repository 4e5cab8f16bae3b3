// The Qt boundary of the program's text: everything inside is Shift_JIS bytes, Qt sees
// UTF-16. Bytes that are not Shift_JIS become replacement characters, never an error.
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

namespace kasumido {

QString QStringFromSjis(std::string_view sjis);

// The windows' font: "ＭＳ Ｐゴシック" 12 pixels high where installed, otherwise the
// proportional IPA Gothic, the fixed-pitch one, or the toolkit's default family.
QFont WindowFont();

}  // namespace kasumido
