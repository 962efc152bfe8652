// Window-object layer: scoped owners of device contexts, selections and GDI objects, so
// that every way out of a drawing routine gives back what it took.
#pragma once

#include <windows.h>

// The DC of a window's client area (GetDC), released on scope exit.
class TClientDC {
 public:
  explicit TClientDC(HWND window) : Window(window), DC(GetDC(window)) {}
  ~TClientDC() {
    if (DC) ReleaseDC(Window, DC);
  }
  TClientDC(const TClientDC&) = delete;
  TClientDC& operator=(const TClientDC&) = delete;
  operator HDC() const { return DC; }

 private:
  HWND Window;
  HDC DC;
};

// The DC of a whole window, frame included (GetWindowDC), released on scope exit.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : Window(window), DC(GetWindowDC(window)) {}
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
