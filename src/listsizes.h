// Every size of the list's drawing, given for 96 DPI and scaled alike to the list's DPI,
// and the geometry of one row made from them.
#pragma once

// Where the parts of one row lie, in pixels from the row's left and top edges: the key
// label, the box that marks the selected and the flashing rows, the icon at the start of
// the box, and the title after the icon's cell. Measuring, layout, painting and the
// clicks all take a row's width from here.
struct TRowGeometry {
  int Height;
  int LabelLeft;  // a one-character label; the wider F-key labels start at the row's left
  int LabelTop;
  int BoxLeft;    // the frame's left column; the fill starts one column further right
  int BoxHeight;  // from the frame's top row to its bottom row
  int IconLeft;
  int IconTop;
  int IconSize;   // square
  int TitleLeft;  // after the icon's cell, which is a row height wide
  int TitleRaise;
  int BoxRightEdge;  // right of the title; its last column is the frame's right column

  // The row from its left edge to the box's right edge, with a title of this width.
  int Width(int titleWidth) const { return TitleLeft + titleWidth + BoxRightEdge; }
  // The widest title a row of this width has room for.
  int TitleRoom(int rowWidth) const { return rowWidth - Width(0); }
  // The title's top for a text of this height: about its middle on the row's upper quarter.
  int TitleTop(int textHeight) const { return Height / 4 - textHeight / 4 - TitleRaise; }
};

struct TListSizes {
  int Dpi = 96;
  int TextHeight = 14;           // the cell of the label and title font
  int LabelWidth = 20;           // left of a row: the key label; the box's content starts here
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
  // The parts of a row of this height, already at this DPI.
  TRowGeometry RowGeometry(int rowHeight) const;
};

// The sizes above at the given DPI.
TListSizes ListSizes(int dpi);
