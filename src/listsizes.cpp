#include "listsizes.h"

#include <initializer_list>

#include "dpi.h"

int TListSizes::Row(int rowHeight) const { return ScaleToDpi(rowHeight, Dpi); }

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
