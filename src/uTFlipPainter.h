// The switcher's look: colours, row height and transparency.
#pragma once

#include <windows.h>

class TWinCanvas;

class TFlipPainter {
 public:
  TFlipPainter();  // the defaults, then ReadOptions
  virtual ~TFlipPainter() = default;

  void ReadOptions();
  void FillBackground(TWinCanvas* canvas, const RECT& r);

  int Background = 0;
  int Foreground = 0;
  int Shadow = 0;
  int Highlight = 0;
  int FontColor = 0;
  int RowHeight = 0;
  int Transparency = 0;
};
