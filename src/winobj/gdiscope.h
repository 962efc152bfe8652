// Window-object layer: scoped owners of device contexts, selections and GDI objects, so
// that every way out of a drawing routine gives back what it took.
#pragma once

#include <windows.h>

// A window's DC, from GetDC (client area) or GetWindowDC (frame included), released on
// scope exit.
class TWindowDC {
 public:
  TWindowDC(HWND window, HDC dc) : Window(window), DC(dc) {}
  ~TWindowDC() {
    if (DC) ReleaseDC(Window, DC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  operator HDC() const { return DC; }

 private:
  HWND Window;
  HDC DC;
};

// An object selected into a DC; the object it replaced goes back in on scope exit.
class TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object) : DC(dc), Previous(dc ? SelectObject(dc, object) : 0) {}
  ~TSelection() {
    if (Previous) SelectObject(DC, Previous);
  }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

 private:
  HDC DC;
  HGDIOBJ Previous;
};

// A memory DC compatible with another DC, deleted on scope exit. Whatever is selected
// into it must be restored first: declare the selections after it.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC compatible) : DC(CreateCompatibleDC(compatible)) {}
  ~TMemoryDC() {
    if (DC) DeleteDC(DC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  operator HDC() const { return DC; }

 private:
  HDC DC;
};

// A GDI object made for one drawing call and deleted on scope exit.
template <typename Handle>
class TGdiObject {
 public:
  explicit TGdiObject(Handle object) : Object(object) {}
  ~TGdiObject() {
    if (Object) DeleteObject(Object);
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  operator Handle() const { return Object; }

 private:
  Handle Object;
};
