#include "drawing.h"

#include <algorithm>

#include "uTWindowInfo.h"
#include "winobj/canvas.h"

namespace {

const char* const WatermarkText = "flipdeck.app";

// Rows start this far from the left edge and columns are this far apart; rows keep this
// far from the top and bottom edges.
const int ColumnGap = 10;
const int RowMargin = 4;
// Right of the last column: the watermark.
const int WatermarkWidth = 18;
const int MinimumHeight = 100;

// Narrows the widest columns to one common width, no more than needed for all of them to
// fit into room.
void NarrowColumns(std::vector<int>& widths, int room) {
  std::vector<int> sorted = widths;
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i < sorted.size(); ++i) {
    int share = std::max(0, room / static_cast<int>(sorted.size() - i));
    if (sorted[i] > share) {
      for (int& width : widths) width = std::min(width, share);
      return;
    }
    room -= sorted[i];
  }
}

}  // namespace

int RowAt(const TListLayout& layout, POINT point) {
  for (size_t i = 0; i < layout.Rows.size(); ++i)
    if (PtInRect(&layout.Rows[i], point)) return static_cast<int>(i);
  return -1;
}

TListLayout TFlipDeckPainter::LayOutList(TWinCanvas* canvas,
                                         const std::vector<TFlipDeckEntry*>& entries,
                                         int maxWidth, int maxHeight) const {
  TListLayout layout;
  std::vector<int> widths;  // of each column
  std::vector<size_t> columnOf;
  int y = RowMargin;
  int bottom = 0;
  for (TFlipDeckEntry* entry : entries) {
    // A row that would not fit whole starts the next column; a column takes at least one.
    if (widths.empty() || (y > RowMargin && y + entry->RowHeight > maxHeight - RowMargin)) {
      widths.push_back(0);
      y = RowMargin;
    }
    columnOf.push_back(widths.size() - 1);
    layout.Rows.push_back({0, y, 0, y + entry->RowHeight});
    y += entry->RowHeight;
    bottom = std::max(bottom, y);
    widths.back() = std::max(widths.back(), entry->GetWidth(canvas));
  }
  int columns = static_cast<int>(widths.size());
  NarrowColumns(widths, maxWidth - columns * ColumnGap - ColumnGap - WatermarkWidth);

  std::vector<int> lefts;
  int x = ColumnGap;
  for (int width : widths) {
    lefts.push_back(x);
    x += width + ColumnGap;
  }
  for (size_t i = 0; i < layout.Rows.size(); ++i) {
    layout.Rows[i].left = lefts[columnOf[i]];
    layout.Rows[i].right = lefts[columnOf[i]] + widths[columnOf[i]];
  }
  layout.Width = x + WatermarkWidth;
  layout.Height = std::max(MinimumHeight, bottom + RowMargin);
  return layout;
}

void TFlipDeckPainter::PaintList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries,
                                 const TListLayout& layout, int width, int height) {
  FillBackground(canvas, {0, 0, width, height});
  // Every row keeps to its own place, so no column needs clearing after another.
  for (size_t i = 0; i < entries.size() && i < layout.Rows.size(); ++i) {
    const RECT& row = layout.Rows[i];
    entries[i]->Paint(canvas, row.left, row.top, row.right - row.left, entries[i]->RowHeight);
  }

  canvas->Brush()->SetColor(Background);
  TGraphicTool* font = canvas->Font();
  font->SetAngle(900);
  font->SetHeight(15);
  canvas->WriteText(width - 18, height - 14, WatermarkText);
  font->SetAngle(0);
}
