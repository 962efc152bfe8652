#include "drawing.h"

#include <algorithm>

#include "uTWindowInfo.h"
#include "winobj/canvas.h"

namespace {

const char* const WatermarkText = "flipdeck.app";

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
  int y = Sizes.RowMargin;
  int bottom = 0;
  for (TFlipDeckEntry* entry : entries) {
    const int rowHeight = Sizes.Row(entry->RowHeight);
    // A row that would not fit whole starts the next column; a column takes at least one.
    if (widths.empty() || (y > Sizes.RowMargin && y + rowHeight > maxHeight - Sizes.RowMargin)) {
      widths.push_back(0);
      y = Sizes.RowMargin;
    }
    columnOf.push_back(widths.size() - 1);
    layout.Rows.push_back({0, y, 0, y + rowHeight});
    y += rowHeight;
    bottom = std::max(bottom, y);
    widths.back() = std::max(widths.back(), entry->GetWidth(canvas, *this));
  }
  int columns = static_cast<int>(widths.size());
  NarrowColumns(widths,
                maxWidth - (columns + 1) * Sizes.ColumnGap - Sizes.WatermarkWidth);

  std::vector<int> lefts;
  int x = Sizes.ColumnGap;
  for (int width : widths) {
    lefts.push_back(x);
    x += width + Sizes.ColumnGap;
  }
  for (size_t i = 0; i < layout.Rows.size(); ++i) {
    layout.Rows[i].left = lefts[columnOf[i]];
    layout.Rows[i].right = lefts[columnOf[i]] + widths[columnOf[i]];
  }
  layout.Width = x + Sizes.WatermarkWidth;
  layout.Height = std::max(Sizes.MinimumHeight, bottom + Sizes.RowMargin);
  return layout;
}

void TFlipDeckPainter::PaintList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries,
                                 const TListLayout& layout, int width, int height) {
  FillBackground(canvas, {0, 0, width, height});
  // Every row keeps to its own place, so no column needs clearing after another.
  for (size_t i = 0; i < entries.size() && i < layout.Rows.size(); ++i) {
    const RECT& row = layout.Rows[i];
    entries[i]->Paint(canvas, *this, row.left, row.top, row.right - row.left,
                      row.bottom - row.top);
  }

  canvas->Brush()->SetColor(Background);
  TGraphicTool* font = canvas->Font();
  font->SetAngle(900);
  font->SetHeight(Sizes.WatermarkTextHeight);
  canvas->WriteText(width - Sizes.WatermarkWidth, height - Sizes.WatermarkBottom, WatermarkText);
  font->SetAngle(0);
}
