#include "listsizes.h"

#include <cmath>
#include <initializer_list>

#include "dpi.h"

namespace {

// The frame's line and one column of fill lie left of the box's content, at every DPI.
const int FrameOutset = 2;

// The box is five-eighths of the row high, rounded half to even: 15, 20 and 40 for the
// three row heights at 96 DPI.
int BoxHeight(int rowHeight) {
  return static_cast<int>(std::nearbyint(rowHeight * 0.625));
}

}  // namespace

int TListSizes::Row(int rowHeight) const { return ScaleToDpi(rowHeight, Dpi); }

TRowGeometry TListSizes::RowGeometry(int rowHeight) const {
  TRowGeometry row;
  row.Height = rowHeight;
  row.LabelLeft = LabelLeft;
  row.LabelTop = RowInset;
  row.BoxLeft = LabelWidth - FrameOutset;
  row.BoxHeight = BoxHeight(rowHeight);
  row.IconLeft = LabelWidth + RowInset;
  row.IconTop = RowInset;
  row.IconSize = rowHeight / 2;
  row.TitleLeft = LabelWidth + rowHeight;
  row.TitleRaise = TitleTextRaise;
  row.BoxRightEdge = BoxRightEdge;
  return row;
}

TListSizes ListSizes(int dpi) {
  TListSizes sizes;
  sizes.Dpi = dpi;
  for (int* size : {&sizes.TextHeight, &sizes.LabelWidth, &sizes.LabelLeft, &sizes.RowInset,
                    &sizes.TitleTextRaise, &sizes.BoxRightEdge, &sizes.ColumnGap,
                    &sizes.RowMargin, &sizes.WatermarkWidth, &sizes.WatermarkTextHeight,
                    &sizes.WatermarkBottom, &sizes.MinimumHeight})
    *size = ScaleToDpi(*size, dpi);
  return sizes;
}
