#include "drawing.h"

#include <algorithm>

#include "uTWindowInfo.h"
#include "winobj/canvas.h"

namespace {

const char* const WatermarkText = "flipdeck.app";

// Rows start this far from the left and top edges; columns are this far apart.
const int ColumnGap = 10;
const int FirstRowTop = 4;
// Room right of the rows: box and text margins and the watermark.
const int RightMargin = 15;

}  // namespace

void TFlipDeckPainter::PaintList(TWinCanvas* canvas, const std::vector<TFlipDeckEntry*>& entries,
                                 int width, int height) {
  FillBackground(canvas, {0, 0, width, height});
  int x = ColumnGap;
  int y = FirstRowTop;
  // The widest entry so far, over all columns: every column is placed by it.
  int columnWidth = 0;
  for (TFlipDeckEntry* entry : entries) {
    entry->Paint(canvas, x, y, width - x - RightMargin, entry->RowHeight);
    y += entry->RowHeight;
    columnWidth = std::max(columnWidth, entry->GetWidth(canvas));
    if (y > height) {
      y = FirstRowTop;
      x += columnWidth + ColumnGap;
      // Titles are cut only to the remaining width, so the finished column may have drawn
      // into the room of the next one; clear it, keeping a 2-pixel border.
      FillBackground(canvas, {x - ColumnGap, 2, width - 2, height - 2});
    }
  }

  canvas->Brush()->SetColor(Background);
  TGraphicTool* font = canvas->Font();
  font->SetAngle(900);
  font->SetHeight(15);
  canvas->WriteText(width - 18, height - 14, WatermarkText);
  font->SetAngle(0);
}
