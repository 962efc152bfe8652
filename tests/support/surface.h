#pragma once
// A 32-bit top-down DIB in a memory DC, with a free canvas on it (which owns the DC), for
// reading back the pixels that drawing leaves.
#include <windows.h>

#include "winobj/canvas.h"

struct Surface {
  Surface(int w, int h, COLORREF fill) : Width(w) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    Dc = CreateCompatibleDC(0);
    Bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), 0, 0);
    SelectObject(Dc, Bitmap);
    const DWORD pixel = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < w * h; i++) Bits[i] = pixel;
    Canvas = NewCanvas(Dc);
  }
  ~Surface() {
    Free(Canvas);
    DeleteObject(Bitmap);
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD p = Bits[y * Width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Count(RECT r, COLORREF color) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
      for (int x = r.left; x < r.right; x++) n += At(x, y) == color;
    return n;
  }
  int Differences(const Surface& other, RECT r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
      for (int x = r.left; x < r.right; x++) n += At(x, y) != other.At(x, y);
    return n;
  }

  int Width;
  HDC Dc = 0;
  HBITMAP Bitmap = 0;
  DWORD* Bits = nullptr;
  TWinCanvas* Canvas = nullptr;
};
