// Buttons with a small picture: the push-button frame, a 16 x 16 glyph drawn with GDI (green
// arrows and tick, a red cross), and the caption beside it; greyed when disabled.
#include "ui/win32/view_impl.h"

namespace ui::win32 {

namespace {

constexpr int kGlyphSize = 16;

COLORREF GlyphColor(Glyph glyph, bool disabled) {
  if (disabled) return GetSysColor(COLOR_GRAYTEXT);
  switch (glyph) {
    case Glyph::kCancel:
    case Glyph::kUninstall:
      return RGB(200, 0, 0);
    default:
      return RGB(0, 128, 0);
  }
}

void DrawGlyph(HDC dc, Glyph glyph, int x, int y, bool disabled) {
  if (glyph == Glyph::kNone) return;
  const COLORREF color = GlyphColor(glyph, disabled);
  HPEN pen = CreatePen(PS_SOLID, 3, color);
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  switch (glyph) {
    case Glyph::kNext: {
      const POINT arrow[] = {{x + 2, y + 5},  {x + 8, y + 5},  {x + 8, y + 1}, {x + 15, y + 8},
                             {x + 8, y + 15}, {x + 8, y + 11}, {x + 2, y + 11}};
      SelectObject(dc, GetStockObject(NULL_PEN));
      Polygon(dc, arrow, 7);
      break;
    }
    case Glyph::kBack: {
      const POINT arrow[] = {{x + 14, y + 5}, {x + 8, y + 5},  {x + 8, y + 1},  {x + 1, y + 8},
                             {x + 8, y + 15}, {x + 8, y + 11}, {x + 14, y + 11}};
      SelectObject(dc, GetStockObject(NULL_PEN));
      Polygon(dc, arrow, 7);
      break;
    }
    case Glyph::kCancel:
    case Glyph::kUninstall: {
      MoveToEx(dc, x + 3, y + 3, nullptr);
      LineTo(dc, x + 13, y + 13);
      MoveToEx(dc, x + 13, y + 3, nullptr);
      LineTo(dc, x + 3, y + 13);
      break;
    }
    case Glyph::kOk: {
      const POINT tick[] = {{x + 2, y + 8}, {x + 6, y + 12}, {x + 14, y + 3}};
      Polyline(dc, tick, 3);
      break;
    }
    case Glyph::kNone:
      break;
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

void DrawButton(const DRAWITEMSTRUCT& item, Glyph glyph, HFONT font) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  wchar_t text[256] = {};
  GetWindowTextW(item.hwndItem, text, 256);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT measure{0, 0, 0, 0};
  DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_SINGLELINE);
  const int gap = glyph == Glyph::kNone ? 0 : 4;
  const int glyphWidth = glyph == Glyph::kNone ? 0 : kGlyphSize;
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
  SelectObject(dc, oldFont);

  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace ui::win32
