// The buttons' glyphs, drawn with GDI (16 x 16, the program's own design: the same
// shapes as the other front end's), and the owner-drawn buttons that carry them: the
// four run buttons (raised, glyph and caption) and the two flat glyph buttons of the
// top panel.
#pragma once

#include <windows.h>

namespace kasumido {

enum class Glyph { kPlay, kSkip, kStop, kPause, kHomePage, kAbout };

inline constexpr int kGlyphSize = 16;

// Draws `glyph` with its top-left corner at `left`, `top`; grey when not `enabled`.
void DrawGlyph(HDC dc, int left, int top, Glyph glyph, bool enabled);

enum class ButtonFace { kRaised, kFlat };

// Draws the owner-drawn button of `item` (WM_DRAWITEM): its face, `glyph`, its caption
// (the control's text, when it has one) beside the glyph, pressed, disabled and focused
// states.
void DrawGlyphButton(const DRAWITEMSTRUCT& item, Glyph glyph, ButtonFace face);

}  // namespace kasumido
