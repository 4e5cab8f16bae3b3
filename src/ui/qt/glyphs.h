// The glyphs of the download window's buttons, drawn by the program itself: 16 x 16
// pictures in a QIcon, which greys them out for a disabled button.
#pragma once

#include <QIcon>

namespace kasumido {

enum class Glyph { kPlay, kSkip, kStop, kPause, kHomePage, kAbout };

inline constexpr int kGlyphSize = 16;

QIcon MakeGlyph(Glyph glyph);

}  // namespace kasumido
