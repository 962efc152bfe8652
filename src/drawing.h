// Painting of the whole entry list.
#pragma once

#include <vector>

#include "uTFlipPainter.h"

class TFlipDeckEntry;

class TFlipDeckPainter : public TFlipPainter {
 public:
  void PaintList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries, int width,
                 int height);
};
