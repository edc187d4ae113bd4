// Scoped GDI objects of the Win32 view: each gives back what it took at the end of its scope,
// so no path through a paint or a measure leaks a device context or leaves an object selected.
// Include it after the project's headers, as <windows.h> (see view_impl.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace ui::win32 {

// A font, pen or brush the view created, deleted with it.
struct GdiDelete {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <class Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiDelete>;

// The device context of a window (of the screen for a null window), released with it.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() { ReleaseDC(hwnd_, dc_); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// The device context of a WM_PAINT, from BeginPaint to EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
  ~PaintDc() { EndPaint(hwnd_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context; the one it replaced is selected again at the end
// of the scope. Selecting a null object does nothing.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The extent of `text` in `font` as drawn in `hwnd`; an empty text has the font's line height.
inline SIZE TextExtent(HWND hwnd, HFONT font, const std::wstring& text) {
  const WindowDc dc(hwnd);
  const Selected selected(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (text.empty()) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    size.cy = metrics.tmHeight;
  }
  return size;
}

}  // namespace ui::win32
