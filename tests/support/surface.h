#pragma once
// A 32-bit top-down DIB in a memory DC with a free canvas on it (which owns the DC), for
// reading back the pixels that drawing leaves.
#include <windows.h>

#include <algorithm>

#include "winobj/canvas.h"

struct Surface {
  Surface(int w, int h, COLORREF fill) : Width(w) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    Dc = CreateCompatibleDC(0);
    Bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), 0, 0);
    SelectObject(Dc, Bitmap);
    std::fill(Bits, Bits + w * h, RGB(GetBValue(fill), GetGValue(fill), GetRValue(fill)));
    Canvas = NewCanvas(Dc);
  }
  ~Surface() {
    Free(Canvas);
    DeleteObject(Bitmap);
  }
  COLORREF At(int x, int y) const {  // the DIB holds 0x00RRGGBB, a COLORREF 0x00BBGGRR
    GdiFlush();
    const DWORD p = Bits[y * Width + x];
    return RGB(GetBValue(p), GetGValue(p), GetRValue(p));
  }
  int Count(RECT r, COLORREF color) const {
    int n = 0;
    for (LONG y = r.top; y < r.bottom; y++)
      for (LONG x = r.left; x < r.right; x++) n += At(x, y) == color;
    return n;
  }
  int Differences(const Surface& other, RECT r) const {
    int n = 0;
    for (LONG y = r.top; y < r.bottom; y++)
      for (LONG x = r.left; x < r.right; x++) n += At(x, y) != other.At(x, y);
    return n;
  }

  int Width;
  HDC Dc = 0;
  HBITMAP Bitmap = 0;
  DWORD* Bits = nullptr;
  TWinCanvas* Canvas = nullptr;
};
