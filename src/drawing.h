// Painting of the whole entry list.
#pragma once

#include <vector>

#include <windows.h>

#include "listsizes.h"
#include "uTFlipPainter.h"

class TFlipDeckEntry;
class TIconCache;

// Where the rows of a list go: whole rows down each column, a new column where the next
// row would not fit, each column as wide as its widest row. Made from one measurement of
// the titles and used alike for the window's size, the painting and the clicks.
struct TListLayout {
  std::vector<RECT> Rows;  // per entry, in list order: its row, as wide as its column
  int Width = 0;           // the whole list with its margins
  int Height = 0;
};

// The entry whose row holds the point, -1 for none.
int RowAt(const TListLayout& layout, POINT point);

class TFlipDeckPainter : public TFlipPainter {
 public:
  // Titles are cut only where the columns side by side would be wider than maxWidth.
  TListLayout LayOutList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries,
                         int maxWidth, int maxHeight) const;
  void PaintList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries,
                 const TListLayout& layout, int width, int height);

  TListSizes Sizes;  // at the DPI of the monitor the list is on
  TIconCache* Icons = nullptr;  // not owned: the switcher's, where the rows' icons come from
};
