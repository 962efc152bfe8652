// Size and place of the switcher window for a given list on the 800x600 test display, the
// list painted into it, and the clicks on it.
#include <algorithm>
#include <cstdio>

#include "surface.h"
#include "switcher_fixture.h"
#include "wait.h"
#include "winobj/canvas.h"

namespace {

class LayoutTest : public SwitcherTest {
 protected:
  void Clear() {
    for (TFlipDeckEntry* e : s->Entries) delete e;
    s->Entries.clear();
  }

  // Replaces the list by `count` rows, the first with the longest title; returns the
  // widest row's width.
  int SetRows(int count, int rowHeight) {
    Clear();
    int widest = 0;
    for (int i = 0; i < count; ++i) {
      s->Entries.push_back(new Row(i == 0 ? L"The longest title of them all" : L"Row", rowHeight));
      widest = std::max(widest, s->Entries.back()->GetWidth(s->PaintBox->Canvas()));
    }
    return widest;
  }

  Row* RowAt(size_t i) { return static_cast<Row*>(s->Entries[i]); }

  void ExpectBounds(int left, int top, int width, int height) {
    s->AdjustBounds();
    RECT r = {};
    GetWindowRect(s->Form->Handle, &r);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
  }
};

// Columns hold the rows that fit whole between margins of 4 pixels, each column as wide as
// its widest row, 10 pixels apart and from the left edge, and 18 pixels are left for the
// watermark on the right.
TEST_F(LayoutTest, WindowHoldsWholeRowsInColumnsOfAtMostTheScreenHeight) {
  const struct { int rows, rowHeight, columns, height; } cases[] = {
      {0, 32, 0, 100},
      {2, 32, 1, 100},   // 64 pixels of rows, but at least 100
      {18, 32, 1, 584},
      {19, 32, 2, 584},  // the 19th would end at 612
      {10, 64, 2, 584},  // the 10th would end at 644
      {19, 64, 3, 584},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.rowHeight);
    const int widest = SetRows(c.rows, c.rowHeight);
    const int narrow = Row(L"Row", c.rowHeight).GetWidth(s->PaintBox->Canvas());
    const int width =
        c.columns ? widest + (c.columns - 1) * narrow + 10 * c.columns + 10 + 18 : 10 + 18;
    ExpectBounds(std::max(0, 400 - width / 2), 300 - c.height / 2, width, c.height);
  }
}

TEST_F(LayoutTest, OnlyTheTopAndLeftEdgesAreKeptOnScreen) {
  const int width = SetRows(3, 32) + 10 + 10 + 18;
  const struct { int centerX, centerY, left, top; } cases[] = {
      {10, 10, 0, 0}, {-500, -500, 0, 0}, {790, 590, 790 - width / 2, 590 - 104 / 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "centre " << c.centerX << "," << c.centerY);
    s->CenterX = c.centerX;
    s->CenterY = c.centerY;
    ExpectBounds(c.left, c.top, width, 3 * 32 + 8);
  }
}

// Real rows, every one boxed, painted at the size the switcher takes on the 800x600 screen:
// each box whole with its whole title beside its label, in a column that holds it whole,
// unless three columns of such titles would be wider than the screen.
TEST_F(LayoutTest, EveryRowIsPaintedWholeWithItsWholeTitleWhereTheScreenHasRoom) {
  const struct { int rowHeight, rows, perColumn; const wchar_t* title; bool cut; } cases[] = {
      {32, 3, 18, L"Terminal %d", false},
      {32, 40, 18, L"Calculator number %d", false},
      {64, 12, 9, L"Text editor %d", false},
      {24, 30, 24, L"Mail %d", false},
      {32, 54, 18, L"A window title so long that three columns of it do not fit, %d", true},
  };
  const COLORREF shadow = ResolveColor(s->Painter->Shadow);
  const COLORREF highlight = ResolveColor(s->Painter->Highlight);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.rowHeight);
    Clear();
    for (int i = 0; i < c.rows; ++i) {
      wchar_t title[100];
      std::swprintf(title, 100, c.title, i * 37);
      TWindowInfo* entry = new TWindowInfo(title, nullptr);
      entry->RowHeight = c.rowHeight;
      entry->Flashing = true;
      s->Entries.push_back(entry);
    }
    s->AdjustBounds();
    const int w = s->Form->Width(), h = s->Form->Height();
    ASSERT_LE(w, 800);
    ASSERT_LE(h, 600);
    if (c.cut) {
      EXPECT_GT(w, 800 - 3) << "the screen's width is used";
    }
    Surface surface(w, h, RGB(0, 0, 0));
    s->Painter->PaintList(surface.Canvas, s->Entries, s->Layout, w, h);

    const int boxHeight = c.rowHeight * 5 / 8;
    for (int i = 0; i < c.rows; ++i) {
      SCOPED_TRACE(i);
      TFlipDeckEntry* e = s->Entries[i];
      const int x = e->Left, y = 4 + i % c.perColumn * c.rowHeight;
      // The room up to the next column, or up to the watermark.
      const int columnEnd = i + c.perColumn < c.rows ? s->Entries[i + c.perColumn]->Left - 10
                                                     : w - 10 - 18;
      ASSERT_LT(y + boxHeight, h) << "the box's bottom edge is inside the window";
      EXPECT_EQ(shadow, surface.At(x + 18, y + boxHeight / 2)) << "left edge";
      EXPECT_EQ(highlight, surface.At(x + 19, y + boxHeight)) << "bottom edge";
      // The right edge: the last column of the row with highlight at its middle.
      int right = columnEnd - 1;
      while (right > x && surface.At(right, y + boxHeight / 2) != highlight) --right;
      EXPECT_EQ(shadow, surface.At(right - 1, y)) << "top edge up to the right edge";
      e->SetupCanvas(surface.Canvas);
      const int whole = x + 20 + c.rowHeight + surface.Canvas->TextWidth(e->Title) + 2;
      if (c.cut) {
        EXPECT_LT(right, whole);
      } else {
        EXPECT_EQ(whole, right);
      }
    }
  }
}

TEST_F(LayoutTest, AClickActivatesTheRowPaintedUnderItAndAClickBesideTheRowsNothing) {
  Clear();
  for (int i = 0; i < 40; ++i) s->Entries.push_back(new Row(L"Row"));  // columns of 18, 18, 4
  s->AdjustBounds();
  const int width = RowAt(0)->GetWidth(s->PaintBox->Canvas());
  const int x1 = 10, x2 = x1 + width + 10, x3 = x2 + width + 10;
  const struct { int x, y, row; } cases[] = {
      {x1, 4, 0},
      {x1, 35, 0},  // the last line of the first row
      {x1, 36, 1},
      {x1 + width - 1, 20, 0},
      {x1 + width, 20, -1},  // between the columns
      {x1, 3, -1},           // above the first row
      {x1, 4 + 18 * 32, -1},  // below the last row of the first column
      {x2, 4, 18},
      {x2 + 5, 4 + 17 * 32 + 31, 35},
      {x3 + width - 1, 4 + 3 * 32 + 31, 39},
      {x3, 4 + 4 * 32, -1},  // below the last row
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
    for (TFlipDeckEntry* e : s->Entries) static_cast<Row*>(e)->Activations = 0;
    MouseRecord mouse = {1, false, 0, static_cast<SHORT>(c.x), static_cast<SHORT>(c.y)};
    PaintBoxMouseUp(s, s->PaintBox, mouse);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(i == c.row ? 1 : 0, RowAt(i)->Activations) << i;
  }
}

// The quick Alt+Tab: a paint that finds Alt released already switches.
TEST_F(LayoutTest, APaintPaintsTheListOnceAndActivatesTheSelectionOnce) {
  SetRows(3, 32);
  RowAt(1)->Selected = true;
  WireSwitcherEvents();
  s->AdjustBounds();
  s->Form->Show();
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(s->Form->Handle); }, 3000));
  PumpFor(100);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(1, RowAt(i)->Paints) << i;
  EXPECT_EQ(1, RowAt(1)->Activations);
  EXPECT_EQ(0, RowAt(0)->Activations + RowAt(2)->Activations);
}

TEST_F(LayoutTest, PaintEntriesPaintsTheWholePaintBox) {
  SetRows(2, 32);
  s->AdjustBounds();
  s->Form->Show();
  PumpFor(100);  // let the first paint pass before painting over it
  HWND box = s->PaintBox->Handle;
  ASSERT_NE(box, nullptr);
  RECT client = {};
  GetClientRect(box, &client);
  ASSERT_EQ(client.right, s->Form->Width());
  ASSERT_EQ(client.bottom, s->Form->Height());
  HDC dc = GetDC(box);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  s->PaintEntries();

  const COLORREF background = ResolveColor(s->Painter->Background);
  EXPECT_EQ(GetPixel(dc, 1, 1), background);
  EXPECT_EQ(GetPixel(dc, client.right - 1, client.bottom - 1), background);
  ReleaseDC(box, dc);
}

}  // namespace
