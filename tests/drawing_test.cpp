// The list painting: where the rows of each column go, what is cleared between columns,
// and the watermark, with entries that record how they were painted.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "surface.h"
#include "switcher_fixture.h"

namespace {

const COLORREF RowColor = RGB(255, 0, 255);

// Records its placement and fills its row far beyond every edge, as an overlong row would.
struct FakeEntry : Row {
  using Row::Row;
  void Paint(TWinCanvas* canvas, int x, int y, int availableWidth, int rowHeight) override {
    Left = X = x;
    Y = y;
    Available = availableWidth;
    PaintedRowHeight = rowHeight;
    canvas->Brush()->SetColor(RowColor);
    canvas->FillRectangle({x, y, x + 10000, y + rowHeight});
  }
  int X = -1, Y = -1, Available = -1, PaintedRowHeight = -1;
};

class PaintListTest : public SwitcherTest {
 protected:
  void Add(int count, int rowHeight = 32, const std::wstring& title = L"x") {
    for (int i = 0; i < count; ++i) {
      owned.push_back(std::make_unique<FakeEntry>(title, rowHeight));
      entries.push_back(owned.back().get());
    }
  }
  FakeEntry& At(size_t i) { return *owned[i]; }
  void Paint(Surface& surface, int w, int h) {
    s->Painter->PaintList(surface.Canvas, entries, w, h);
  }
  COLORREF Background() const { return static_cast<COLORREF>(s->Painter->Background); }

  std::vector<std::unique_ptr<FakeEntry>> owned;
  std::vector<TFlipDeckEntry*> entries;
};

}  // namespace

TEST_F(PaintListTest, RowsGoDownFrom10And4AndPastTheBottomStartAColumnBesideTheWidest) {
  Add(1, 32, L"the widest title of all");
  Add(1, 24);
  Add(1, 64);  // ends at y 124, below the bottom
  Add(5, 32);  // the fourth of them starts at y 100, on the bottom edge: same column
  Surface surface(800, 100, RGB(0, 0, 0));
  Paint(surface, 800, 100);
  const int widest = At(0).GetWidth(surface.Canvas);
  ASSERT_GT(widest, At(1).GetWidth(surface.Canvas));
  const int x2 = 10 + widest + 10, x3 = x2 + widest + 10;  // never narrowed by a column
  const struct { int x, y, height; } rows[] = {{10, 4, 32},  {10, 36, 24}, {10, 60, 64},
                                               {x2, 4, 32},  {x2, 36, 32}, {x2, 68, 32},
                                               {x2, 100, 32}, {x3, 4, 32}};
  for (size_t i = 0; i < owned.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].x, At(i).X);
    EXPECT_EQ(rows[i].y, At(i).Y);
    EXPECT_EQ(800 - rows[i].x - 15, At(i).Available);
    EXPECT_EQ(rows[i].height, At(i).PaintedRowHeight);
  }
  EXPECT_EQ(Background(), surface.At(5, 50)) << "the background is filled first";
}

TEST_F(PaintListTest, RoomRightOfAFinishedColumnIsClearedExceptATwoPixelBorder) {
  const int w = 400, h = 600;
  Add(20);
  Surface surface(w, h, RGB(0, 0, 0));
  Paint(surface, w, h);
  // 19 rows of 32 pixels in the first column; the 19th, from y 580 to 612, drew across
  // the whole width before the column ended.
  ASSERT_EQ(580, At(18).Y);
  ASSERT_EQ(4, At(19).Y);
  const int x2 = At(19).X;
  EXPECT_EQ(Background(), surface.At(x2 + 5, 590));
  EXPECT_EQ(Background(), surface.At(x2 - 10, 590));
  EXPECT_EQ(RowColor, surface.At(x2 - 11, 590)) << "the finished column itself stays";
  EXPECT_EQ(RowColor, surface.At(w - 2, 590));
  EXPECT_EQ(Background(), surface.At(w - 3, 590));
  EXPECT_EQ(RowColor, surface.At(x2 + 5, h - 2));
  EXPECT_EQ(Background(), surface.At(x2 + 5, h - 3));
  EXPECT_EQ(RowColor, surface.At(x2 + 5, 20)) << "the second column is painted after the clearing";
}

TEST_F(PaintListTest, WatermarkReadsUpwardAtTheRightEdgeInTheFontColour) {
  const int w = 300, h = 200;
  // An empty list paints the background and the watermark only. The text cell, turned by
  // 90 degrees, lies right of x w - 18 and above y h - 14.
  Surface empty(w, h, RGB(0, 0, 0));
  Paint(empty, w, h);
  RECT band = {w, h, -1, -1};
  int outside = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (empty.At(x, y) == Background()) continue;
      band = {std::min<LONG>(band.left, x), std::min<LONG>(band.top, y),
              std::max<LONG>(band.right, x), std::max<LONG>(band.bottom, y)};
      if (x < w - 18 || x > w - 3 || y > h - 14) ++outside;
    }
  }
  EXPECT_EQ(0, outside);
  EXPECT_GT(band.bottom - band.top, 3 * (band.right - band.left)) << "reads upward";

  // Without rows it keeps the canvas's own text colour; a row sets the font colour.
  Add(1);
  Surface painted(w, h, RGB(0, 0, 0));
  Paint(painted, w, h);
  const COLORREF fontColor = static_cast<COLORREF>(s->Painter->FontColor);
  EXPECT_GT(painted.Count({w - 18, h - 100, w - 2, h - 13}, fontColor), 0);
  EXPECT_EQ(0, painted.Count({0, 40, w - 18, h}, fontColor));
  const LOGFONTA& font = painted.Canvas->Font()->Description.Font;
  EXPECT_EQ(0, font.lfEscapement) << "upright again for the rows";
  EXPECT_EQ(15, font.lfHeight);
}
