// The list painting: where the rows of each column go, what is cleared between columns,
// and the watermark, with entries that record how they were painted.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "main.h"
#include "surface.h"

namespace {

const COLORREF RowColor = RGB(255, 0, 255);

// Records its placement and fills its row far beyond every edge, as an overlong row would.
class FakeEntry : public TFlipDeckEntry {
 public:
  FakeEntry(const std::string& title, int rowHeight) {
    Title = title;
    RowHeight = rowHeight;
  }
  void Paint(TWinCanvas* canvas, int x, int y, int availableWidth, int rowHeight) override {
    Left = x;
    X = x;
    Y = y;
    Available = availableWidth;
    PaintedRowHeight = rowHeight;
    canvas->Brush()->SetColor(RowColor);
    canvas->FillRectangle({x, y, x + 10000, y + rowHeight});
  }
  void Activate() override {}

  int X = -1, Y = -1, Available = -1, PaintedRowHeight = -1;
};

class PaintListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Switcher = NewObject<TSwitcher>();
    Switcher->Painter = painter = new TFlipDeckPainter();
  }
  void TearDown() override { Free(Switcher); }

  void Add(int count, int rowHeight = 32, const std::string& title = "entry") {
    for (int i = 0; i < count; ++i) {
      owned.push_back(std::make_unique<FakeEntry>(title + " " + std::to_string(i), rowHeight));
      entries.push_back(owned.back().get());
    }
  }
  FakeEntry& At(size_t i) { return *owned[i]; }
  void Paint(Surface& s, int w, int h) { painter->PaintList(s.Canvas, entries, w, h); }
  COLORREF Background() const { return static_cast<COLORREF>(painter->Background); }

  TFlipDeckPainter* painter = nullptr;
  std::vector<std::unique_ptr<FakeEntry>> owned;
  std::vector<TFlipDeckEntry*> entries;
};

}  // namespace

TEST_F(PaintListTest, FirstColumnStartsAt10And4WithEachRowAtItsOwnHeight) {
  Add(1, 32);
  Add(1, 24);
  Add(1, 64);
  Surface s(400, 300, RGB(0, 0, 0));
  Paint(s, 400, 300);
  const int ys[] = {4, 36, 60};
  const int heights[] = {32, 24, 64};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(10, At(i).X);
    EXPECT_EQ(ys[i], At(i).Y);
    EXPECT_EQ(400 - 10 - 15, At(i).Available);
    EXPECT_EQ(heights[i], At(i).PaintedRowHeight);
  }
  EXPECT_EQ(Background(), s.At(5, 150)) << "the background is filled first";
}

TEST_F(PaintListTest, TwentiethRowOf600PixelsStartsTheSecondColumnBesideTheWidest) {
  Add(20);
  At(7).Title = "a much longer window title";
  Surface s(800, 600, RGB(0, 0, 0));
  Paint(s, 800, 600);
  for (int i = 0; i < 19; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(10, At(i).X);
    EXPECT_EQ(4 + 32 * i, At(i).Y);
  }
  const int widest = At(7).GetWidth(s.Canvas);
  EXPECT_GT(widest, At(0).GetWidth(s.Canvas));
  EXPECT_EQ(4, At(19).Y);
  EXPECT_EQ(10 + widest + 10, At(19).X);
  EXPECT_EQ(800 - At(19).X - 15, At(19).Available);
}

TEST_F(PaintListTest, ColumnWidthIsTheWidestEntrySoFarInAnyColumn) {
  // 100 pixels hold four 32-pixel rows: the fourth starts at y 100, not below it.
  Add(9, 32, "x");
  At(0).Title = "the widest title of all";
  Surface s(800, 100, RGB(0, 0, 0));
  Paint(s, 800, 100);
  const int widest = At(0).GetWidth(s.Canvas);
  EXPECT_EQ(100, At(3).Y);
  EXPECT_EQ(10 + widest + 10, At(4).X);
  EXPECT_EQ(At(4).X + widest + 10, At(8).X) << "the narrow second column does not narrow it";
  EXPECT_EQ(4, At(8).Y);
}

TEST_F(PaintListTest, RoomRightOfAFinishedColumnIsClearedExceptATwoPixelBorder) {
  const int w = 400, h = 600;
  Add(20);
  Surface s(w, h, RGB(0, 0, 0));
  Paint(s, w, h);
  const int x2 = At(19).X;
  // The 19th row (y 580 to 612) drew across the whole width before the column ended.
  EXPECT_EQ(Background(), s.At(x2 + 5, 590));
  EXPECT_EQ(Background(), s.At(x2 - 10, 590));
  EXPECT_EQ(RowColor, s.At(x2 - 11, 590)) << "the finished column itself stays";
  EXPECT_EQ(RowColor, s.At(w - 1, 590));
  EXPECT_EQ(RowColor, s.At(w - 2, 590));
  EXPECT_EQ(Background(), s.At(w - 3, 590));
  EXPECT_EQ(RowColor, s.At(x2 + 5, h - 1));
  EXPECT_EQ(RowColor, s.At(x2 + 5, h - 2));
  EXPECT_EQ(Background(), s.At(x2 + 5, h - 3));
  EXPECT_EQ(RowColor, s.At(x2 + 5, 20)) << "the second column is painted after the clearing";
}

TEST_F(PaintListTest, EmptyListPaintsOnlyBackgroundAndTheUpwardWatermark) {
  const int w = 300, h = 200;
  Surface s(w, h, RGB(0, 0, 0));
  Paint(s, w, h);
  // The text cell, turned by 90 degrees, lies right of x w - 18 and above y h - 14.
  RECT band = {w, h, -1, -1};
  int outside = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (s.At(x, y) == Background()) continue;
      band = {std::min<LONG>(band.left, x), std::min<LONG>(band.top, y),
              std::max<LONG>(band.right, x), std::max<LONG>(band.bottom, y)};
      if (x < w - 18 || x > w - 3 || y > h - 14) ++outside;
    }
  }
  EXPECT_EQ(0, outside);
  EXPECT_GT(band.bottom - band.top, 3 * (band.right - band.left)) << "reads upward";
}

TEST_F(PaintListTest, WatermarkAfterRowsIsInFontColourAndTheFontUprightAgain) {
  // Without rows the watermark keeps the canvas's own text colour; a row sets FontColor.
  const int w = 300, h = 300;
  Add(1);
  Surface s(w, h, RGB(0, 0, 0));
  Paint(s, w, h);
  const COLORREF fontColor = static_cast<COLORREF>(painter->FontColor);
  EXPECT_GT(s.Count({w - 18, h - 100, w - 2, h - 13}, fontColor), 0);
  EXPECT_EQ(0, s.Count({0, 40, w - 18, h}, fontColor));
  const LOGFONTA& font = s.Canvas->Font()->Description.Font;
  EXPECT_EQ(0, font.lfEscapement) << "upright again for the rows";
  EXPECT_EQ(15, font.lfHeight);
}
