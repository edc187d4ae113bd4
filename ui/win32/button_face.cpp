// Buttons with a small picture: the push-button frame, a 16 x 16 glyph drawn with GDI (green
// arrows and tick, a red cross), and the caption beside it; greyed when disabled.
#include "ui/win32/view_impl.h"

namespace ui::win32 {

namespace {

constexpr int kGlyphSize = 16;

COLORREF GlyphColor(TGlyph glyph, bool disabled) {
  if (disabled) return GetSysColor(COLOR_GRAYTEXT);
  switch (glyph) {
    case TGlyph::kCancel:
    case TGlyph::kUninstall:
      return RGB(200, 0, 0);
    default:
      return RGB(0, 128, 0);
  }
}

void DrawGlyph(HDC dc, TGlyph glyph, int x, int y, bool disabled) {
  if (glyph == TGlyph::kNone) return;
  const COLORREF color = GlyphColor(glyph, disabled);
  const GdiObject<HPEN> pen(CreatePen(PS_SOLID, 3, color));
  const GdiObject<HBRUSH> brush(CreateSolidBrush(color));
  const Selected penSelected(dc, pen.get());
  const Selected brushSelected(dc, brush.get());
  switch (glyph) {
    case TGlyph::kNext:
    case TGlyph::kBack: {
      // An arrow pointing right, mirrored for Back.
      POINT arrow[] = {{2, 5}, {8, 5}, {8, 1}, {15, 8}, {8, 15}, {8, 11}, {2, 11}};
      for (POINT& point : arrow) {
        point = {x + (glyph == TGlyph::kNext ? point.x : 16 - point.x), y + point.y};
      }
      SelectObject(dc, GetStockObject(NULL_PEN));
      Polygon(dc, arrow, 7);
      break;
    }
    case TGlyph::kCancel:
    case TGlyph::kUninstall: {
      MoveToEx(dc, x + 3, y + 3, nullptr);
      LineTo(dc, x + 13, y + 13);
      MoveToEx(dc, x + 13, y + 3, nullptr);
      LineTo(dc, x + 3, y + 13);
      break;
    }
    case TGlyph::kOK: {
      const POINT tick[] = {{x + 2, y + 8}, {x + 6, y + 12}, {x + 14, y + 3}};
      Polyline(dc, tick, 3);
      break;
    }
    case TGlyph::kNone:
      break;
  }
}

}  // namespace

void DrawButton(const DRAWITEMSTRUCT& item, TGlyph glyph, HFONT font) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  wchar_t text[256] = {};
  GetWindowTextW(item.hwndItem, text, 256);
  const Selected fontSelected(dc, font);
  RECT measure{0, 0, 0, 0};
  DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_SINGLELINE);
  const int gap = glyph == TGlyph::kNone ? 0 : 4;
  const int glyphWidth = glyph == TGlyph::kNone ? 0 : kGlyphSize;
  const int total = glyphWidth + gap + (measure.right - measure.left);
  const int shift = pushed ? 1 : 0;
  int x = r.left + (r.right - r.left - total) / 2 + shift;
  const int middle = (r.top + r.bottom) / 2 + shift;
  DrawGlyph(dc, glyph, x, middle - kGlyphSize / 2, disabled);
  x += glyphWidth + gap;

  RECT textRect{x, r.top, r.right, r.bottom};
  OffsetRect(&textRect, 0, shift);
  SetBkMode(dc, TRANSPARENT);
  if (disabled) {
    // The engraved look of disabled captions: white below and right, grey on top.
    OffsetRect(&textRect, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text, -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    OffsetRect(&textRect, -1, -1);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  }
  DrawTextW(dc, text, -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);

  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace ui::win32
