#include "ui/win32/glyphs.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "ui/win32/dpi.h"
#include "ui/win32/win32_controls.h"

namespace kasumido {
namespace {

constexpr COLORREF kPlayGreen = RGB(0, 150, 60);
constexpr COLORREF kSkipBlue = RGB(30, 90, 200);
constexpr COLORREF kStopRed = RGB(205, 40, 40);
constexpr COLORREF kPauseAmber = RGB(215, 140, 0);
constexpr COLORREF kGlobeBlue = RGB(40, 110, 190);
constexpr COLORREF kGlobeSea = RGB(200, 228, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDisabledFill = RGB(190, 190, 190);
constexpr COLORREF kDisabledLine = RGB(140, 140, 140);

COLORREF Darker(COLORREF colour) {
  return RGB(GetRValue(colour) * 2 / 3, GetGValue(colour) * 2 / 3, GetBValue(colour) * 2 / 3);
}

// Where a glyph is drawn: its top-left corner and its size. The shapes are designed on
// a 16 x 16 grid; a point of the grid lands at its scaled place.
struct Canvas {
  HDC dc;
  int left;
  int top;
  int size;

  int X(int x) const { return left + MulDiv(x, size, kGlyphSize); }
  int Y(int y) const { return top + MulDiv(y, size, kGlyphSize); }
  int PenWidth() const { return size >= 2 * kGlyphSize ? size / kGlyphSize : 1; }
};

// One drawing's pen and brush, selected while it lives; colours turn grey when disabled.
class Paint {
 public:
  Paint(const Canvas& canvas, COLORREF fill, bool enabled, bool hollow = false)
      : dc_(canvas.dc),
        pen_(CreatePen(PS_SOLID, canvas.PenWidth(), enabled ? Darker(fill) : kDisabledLine)),
        brush_(hollow ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                      : CreateSolidBrush(enabled ? fill : kDisabledFill)),
        owns_brush_(!hollow),
        old_pen_(SelectObject(dc_, pen_)),
        old_brush_(SelectObject(dc_, brush_)) {}
  ~Paint() {
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    DeleteObject(pen_);
    if (owns_brush_) DeleteObject(brush_);
  }
  Paint(const Paint&) = delete;
  Paint& operator=(const Paint&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  bool owns_brush_;
  HGDIOBJ old_pen_;
  HGDIOBJ old_brush_;
};

void Shape(const Canvas& canvas, std::initializer_list<POINT> points) {
  std::vector<POINT> placed;
  for (const POINT& point : points) placed.push_back({canvas.X(point.x), canvas.Y(point.y)});
  Polygon(canvas.dc, placed.data(), static_cast<int>(placed.size()));
}

void Triangle(const Canvas& canvas, int from, int to, COLORREF colour, bool enabled) {
  const Paint paint(canvas, colour, enabled);
  Shape(canvas, {{from, 3}, {to, 8}, {from, 13}});
}

void Box(const Canvas& canvas, RECT box, COLORREF colour, bool enabled) {
  const Paint paint(canvas, colour, enabled);
  Rectangle(canvas.dc, canvas.X(box.left), canvas.Y(box.top), canvas.X(box.right),
            canvas.Y(box.bottom));
}

void Oval(const Canvas& canvas, RECT box) {
  Ellipse(canvas.dc, canvas.X(box.left), canvas.Y(box.top), canvas.X(box.right),
          canvas.Y(box.bottom));
}

void Line(const Canvas& canvas, int x1, int y1, int x2, int y2) {
  MoveToEx(canvas.dc, canvas.X(x1), canvas.Y(y1), nullptr);
  LineTo(canvas.dc, canvas.X(x2), canvas.Y(y2));
}

// A globe: the publisher's home page.
void HomePage(const Canvas& canvas, bool enabled) {
  {
    const Paint paint(canvas, kGlobeSea, enabled);
    Oval(canvas, {1, 1, 15, 15});
  }
  const Paint lines(canvas, kGlobeBlue, enabled, true);
  Oval(canvas, {5, 1, 11, 15});
  Line(canvas, 8, 1, 8, 15);
  Line(canvas, 1, 8, 15, 8);
  Line(canvas, 3, 5, 13, 5);
  Line(canvas, 3, 11, 13, 11);
}

// A small "i" in a circle: the version dialog.
void About(const Canvas& canvas, bool enabled) {
  {
    const Paint paint(canvas, kGlobeBlue, enabled);
    Oval(canvas, {1, 1, 15, 15});
  }
  const HBRUSH white = CreateSolidBrush(kWhite);
  for (const RECT& part : {RECT{7, 4, 9, 6}, RECT{7, 7, 9, 12}, RECT{6, 11, 10, 12}}) {
    const RECT placed{canvas.X(part.left), canvas.Y(part.top), canvas.X(part.right),
                      canvas.Y(part.bottom)};
    FillRect(canvas.dc, &placed, white);
  }
  DeleteObject(white);
}

}  // namespace

void DrawGlyph(HDC dc, int left, int top, int size, Glyph glyph, bool enabled) {
  const Canvas canvas{dc, left, top, size};
  switch (glyph) {
    case Glyph::kPlay:
      Triangle(canvas, 4, 12, kPlayGreen, enabled);
      return;
    case Glyph::kSkip:
      Triangle(canvas, 1, 7, kSkipBlue, enabled);
      Triangle(canvas, 7, 13, kSkipBlue, enabled);
      Box(canvas, {13, 3, 15, 13}, Darker(kSkipBlue), enabled);
      return;
    case Glyph::kStop: {
      const Paint paint(canvas, kStopRed, enabled);
      const int corner = MulDiv(3, size, kGlyphSize);
      RoundRect(dc, canvas.X(3), canvas.Y(3), canvas.X(13), canvas.Y(13), corner, corner);
      return;
    }
    case Glyph::kPause:
      Box(canvas, {3, 2, 7, 14}, kPauseAmber, enabled);
      Box(canvas, {9, 2, 13, 14}, kPauseAmber, enabled);
      return;
    case Glyph::kHomePage:
      HomePage(canvas, enabled);
      return;
    case Glyph::kAbout:
      About(canvas, enabled);
      return;
  }
}

void DrawGlyphButton(const DRAWITEMSTRUCT& item, Glyph glyph, ButtonFace face, int dpi) {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (face == ButtonFace::kRaised) {
    DrawEdge(dc, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else {
    DrawEdge(dc, &area, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  const int shift = pressed ? Scaled(1, dpi) : 0;
  const int glyph_size = Scaled(kGlyphSize, dpi);
  const int gap = Scaled(4, dpi);

  const std::wstring caption = ControlText(item.hwndItem);
  const HGDIOBJ old_font = SelectObject(dc, FontOf(item.hwndItem));
  SIZE text_size{};
  if (!caption.empty()) {
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text_size);
  }
  const int content = glyph_size + (caption.empty() ? 0 : gap + text_size.cx);
  const int left = area.left + (area.right - area.left - content) / 2 + shift;
  const int middle = (area.top + area.bottom) / 2 + shift;
  DrawGlyph(dc, left, middle - glyph_size / 2, glyph_size, glyph, enabled);
  if (!caption.empty()) {
    SetBkMode(dc, TRANSPARENT);
    const int text_left = left + glyph_size + gap;
    const int text_top = middle - text_size.cy / 2;
    if (!enabled) {  // embossed, as the system draws disabled captions
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      TextOutW(dc, text_left + 1, text_top + 1, caption.c_str(), static_cast<int>(caption.size()));
    }
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    TextOutW(dc, text_left, text_top, caption.c_str(), static_cast<int>(caption.size()));
  }
  SelectObject(dc, old_font);
  if ((item.itemState & ODS_FOCUS) != 0 && face == ButtonFace::kRaised) {
    RECT focus = area;
    InflateRect(&focus, -Scaled(4, dpi), -Scaled(4, dpi));
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace kasumido
