// The list painting: where the rows of each column go, how wide the columns are, and the
// watermark, with entries that record how they were painted.
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
  void Paint(TWinCanvas* canvas, const TFlipDeckPainter&, int x, int y, int availableWidth,
             int rowHeight) override {
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
    s->Painter->PaintList(surface.Canvas, entries,
                          s->Painter->LayOutList(surface.Canvas, entries, w, h), w, h);
  }
  COLORREF Background() const { return static_cast<COLORREF>(s->Painter->Background); }

  std::vector<std::unique_ptr<FakeEntry>> owned;
  std::vector<TFlipDeckEntry*> entries;
};

}  // namespace

TEST_F(PaintListTest, WholeRowsGoDownEachColumnAndEachColumnIsAsWideAsItsWidestRow) {
  Add(1, 32, L"the widest title of all");
  Add(1, 24);
  Add(1, 64);  // ends at y 124, within the bottom margin of 4
  Add(5, 32);  // the first would end at y 156: a new column; so would the fifth
  Surface surface(800, 140, RGB(0, 0, 0));
  const TListLayout layout = s->Painter->LayOutList(surface.Canvas, entries, 800, 140);
  s->Painter->PaintList(surface.Canvas, entries, layout, 800, 140);
  const int widest = At(0).GetWidth(surface.Canvas, *s->Painter),
            narrow = At(3).GetWidth(surface.Canvas, *s->Painter);
  ASSERT_GT(widest, narrow);
  const int x2 = 10 + widest + 10, x3 = x2 + narrow + 10;
  const struct { int x, y, width, height; } rows[] = {
      {10, 4, widest, 32},  {10, 36, widest, 24}, {10, 60, widest, 64}, {x2, 4, narrow, 32},
      {x2, 36, narrow, 32}, {x2, 68, narrow, 32}, {x2, 100, narrow, 32}, {x3, 4, narrow, 32}};
  for (size_t i = 0; i < owned.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].x, At(i).X);
    EXPECT_EQ(rows[i].y, At(i).Y);
    EXPECT_EQ(rows[i].width, At(i).Available);
    EXPECT_EQ(rows[i].height, At(i).PaintedRowHeight);
  }
  EXPECT_EQ(x3 + narrow + 10 + 18, layout.Width) << "room for the watermark";
  EXPECT_EQ(136, layout.Height);
  EXPECT_EQ(Background(), surface.At(5, 50)) << "the background is filled first";
}

// Three columns of one row each: only the widest are narrowed, to one width, and only as
// far as the room needs.
TEST_F(PaintListTest, ColumnsAreNarrowedOnlyWhereTheyWouldNotFitSideBySide) {
  Surface surface(10, 10, RGB(0, 0, 0));
  Add(1, 32, L"Short");
  Add(1, 32, L"A somewhat longer title");
  Add(1, 32, L"The longest title of the three rows");
  const int a = At(0).GetWidth(surface.Canvas, *s->Painter),
            b = At(1).GetWidth(surface.Canvas, *s->Painter),
            c = At(2).GetWidth(surface.Canvas, *s->Painter);
  ASSERT_LT(a + 10, b);
  ASSERT_LT(b, c);
  const int margins = 3 * 10 + 10 + 18;
  const struct { int maxWidth; int widths[3]; } cases[] = {
      {margins + a + b + c, {a, b, c}},  // just room enough
      {margins + a + b + c - 2, {a, b, c - 2}},
      {margins + a + 2 * (b - 5), {a, b - 5, b - 5}},
      {margins + 3 * (a - 10) + 2, {a - 10, a - 10, a - 10}},  // 2 pixels stay unused
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.maxWidth);
    const TListLayout layout = s->Painter->LayOutList(surface.Canvas, entries, k.maxWidth, 40);
    ASSERT_EQ(3u, layout.Rows.size());
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(k.widths[i], layout.Rows[i].right - layout.Rows[i].left) << i;
    EXPECT_LE(layout.Width, k.maxWidth);
  }
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
