// Every size of the list's drawing, given for 96 DPI and scaled alike to the list's DPI.
#pragma once

struct TListSizes {
  int Dpi = 96;
  int TextHeight = 14;           // the cell of the label and title font
  int LabelWidth = 20;           // left of a row: the key label; the box and icon start here
  int LabelLeft = 3;             // a one-character label from the row's left
  int RowInset = 2;              // the label and icon from the row's top, the icon in its box
  int TitleTextRaise = 2;        // the title above the row's upper quarter
  int BoxRightEdge = 3;          // right of the title: the box's right edge
  int ColumnGap = 10;            // left of the first column and between columns
  int RowMargin = 4;             // above the first and below the last row of a column
  int WatermarkWidth = 18;       // right of the last column
  int WatermarkTextHeight = 15;
  int WatermarkBottom = 14;      // the watermark's baseline start above the bottom edge
  int MinimumHeight = 100;

  // A row height given for 96 DPI (24, 32 or 64), at this DPI.
  int Row(int rowHeight) const;
};

// The sizes above at the given DPI.
TListSizes ListSizes(int dpi);
