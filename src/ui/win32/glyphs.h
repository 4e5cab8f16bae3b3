// The buttons' glyphs, drawn with GDI (designed on a 16 x 16 grid, the program's own
// design: the same shapes as the other front end's, drawn at the window's scale, never
// stretched from a bitmap), and the owner-drawn buttons that carry them: the
// four run buttons (raised, glyph and caption) and the two flat glyph buttons of the
// top panel.
#pragma once

#include <windows.h>

namespace kasumido {

enum class Glyph { kPlay, kSkip, kStop, kPause, kHomePage, kAbout };

// The glyphs' design grid, and their size at 96 dpi.
inline constexpr int kGlyphSize = 16;

// Draws `glyph` `size` pixels wide and high with its top-left corner at `left`, `top`;
// grey when not `enabled`.
void DrawGlyph(HDC dc, int left, int top, int size, Glyph glyph, bool enabled);

enum class ButtonFace { kRaised, kFlat };

// Draws the owner-drawn button of `item` (WM_DRAWITEM) at `dpi`: its face, `glyph`, its
// caption (the control's text in the control's font, when it has one) beside the glyph,
// pressed, disabled and focused states.
void DrawGlyphButton(const DRAWITEMSTRUCT& item, Glyph glyph, ButtonFace face, int dpi);

}  // namespace kasumido
