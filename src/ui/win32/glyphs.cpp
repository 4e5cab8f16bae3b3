#include "ui/win32/glyphs.h"

#include <initializer_list>
#include <string>
#include <vector>

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

// One drawing's pen and brush, selected while it lives; colours turn grey when disabled.
class Paint {
 public:
  Paint(HDC dc, COLORREF fill, bool enabled, bool hollow = false)
      : dc_(dc),
        pen_(CreatePen(PS_SOLID, 1, enabled ? Darker(fill) : kDisabledLine)),
        brush_(hollow ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                      : CreateSolidBrush(enabled ? fill : kDisabledFill)),
        owns_brush_(!hollow),
        old_pen_(SelectObject(dc, pen_)),
        old_brush_(SelectObject(dc, brush_)) {}
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

void Shape(HDC dc, int left, int top, std::initializer_list<POINT> points) {
  std::vector<POINT> moved(points);
  for (POINT& point : moved) {
    point.x += left;
    point.y += top;
  }
  Polygon(dc, moved.data(), static_cast<int>(moved.size()));
}

void Triangle(HDC dc, int left, int top, int from, int to, COLORREF colour, bool enabled) {
  const Paint paint(dc, colour, enabled);
  Shape(dc, left, top, {{from, 3}, {to, 8}, {from, 13}});
}

void Box(HDC dc, int left, int top, RECT box, COLORREF colour, bool enabled) {
  const Paint paint(dc, colour, enabled);
  Rectangle(dc, left + box.left, top + box.top, left + box.right, top + box.bottom);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A globe: the publisher's home page.
void HomePage(HDC dc, int left, int top, bool enabled) {
  {
    const Paint paint(dc, kGlobeSea, enabled);
    Ellipse(dc, left + 1, top + 1, left + 15, top + 15);
  }
  const Paint lines(dc, kGlobeBlue, enabled, true);
  Ellipse(dc, left + 5, top + 1, left + 11, top + 15);
  Line(dc, left + 8, top + 1, left + 8, top + 15);
  Line(dc, left + 1, top + 8, left + 15, top + 8);
  Line(dc, left + 3, top + 5, left + 13, top + 5);
  Line(dc, left + 3, top + 11, left + 13, top + 11);
}

// A small "i" in a circle: the version dialog.
void About(HDC dc, int left, int top, bool enabled) {
  {
    const Paint paint(dc, kGlobeBlue, enabled);
    Ellipse(dc, left + 1, top + 1, left + 15, top + 15);
  }
  const HBRUSH white = CreateSolidBrush(kWhite);
  const RECT dot{left + 7, top + 4, left + 9, top + 6};
  const RECT stem{left + 7, top + 7, left + 9, top + 12};
  const RECT foot{left + 6, top + 11, left + 10, top + 12};
  FillRect(dc, &dot, white);
  FillRect(dc, &stem, white);
  FillRect(dc, &foot, white);
  DeleteObject(white);
}

}  // namespace

void DrawGlyph(HDC dc, int left, int top, Glyph glyph, bool enabled) {
  switch (glyph) {
    case Glyph::kPlay:
      Triangle(dc, left, top, 4, 12, kPlayGreen, enabled);
      return;
    case Glyph::kSkip:
      Triangle(dc, left, top, 1, 7, kSkipBlue, enabled);
      Triangle(dc, left, top, 7, 13, kSkipBlue, enabled);
      Box(dc, left, top, {13, 3, 15, 13}, Darker(kSkipBlue), enabled);
      return;
    case Glyph::kStop: {
      const Paint paint(dc, kStopRed, enabled);
      RoundRect(dc, left + 3, top + 3, left + 13, top + 13, 3, 3);
      return;
    }
    case Glyph::kPause:
      Box(dc, left, top, {3, 2, 7, 14}, kPauseAmber, enabled);
      Box(dc, left, top, {9, 2, 13, 14}, kPauseAmber, enabled);
      return;
    case Glyph::kHomePage:
      HomePage(dc, left, top, enabled);
      return;
    case Glyph::kAbout:
      About(dc, left, top, enabled);
      return;
  }
}

void DrawGlyphButton(const DRAWITEMSTRUCT& item, Glyph glyph, ButtonFace face) {
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
  const int shift = pressed ? 1 : 0;

  const std::wstring caption = ControlText(item.hwndItem);
  const HGDIOBJ old_font = SelectObject(dc, WindowFont());
  SIZE text_size{};
  if (!caption.empty()) {
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text_size);
  }
  constexpr int kGap = 4;
  const int content = kGlyphSize + (caption.empty() ? 0 : kGap + text_size.cx);
  const int left = area.left + (area.right - area.left - content) / 2 + shift;
  const int middle = (area.top + area.bottom) / 2 + shift;
  DrawGlyph(dc, left, middle - kGlyphSize / 2, glyph, enabled);
  if (!caption.empty()) {
    SetBkMode(dc, TRANSPARENT);
    const int text_left = left + kGlyphSize + kGap;
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
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace kasumido
