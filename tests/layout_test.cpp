// Size and place of the switcher window for a given list on the 800x600 test display, the
// list painted into it, and the clicks on it.
#include <algorithm>
#include <cstdio>

#include "dpi.h"
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
      widest = std::max(widest, s->Entries.back()->GetWidth(s->PaintBox->Canvas(), *s->Painter));
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
    const int narrow = Row(L"Row", c.rowHeight).GetWidth(s->PaintBox->Canvas(), *s->Painter);
    const int width =
        c.columns ? widest + (c.columns - 1) * narrow + 10 * c.columns + 10 + 18 : 10 + 18;
    ExpectBounds(std::max(0, 400 - width / 2), 300 - c.height / 2, width, c.height);
  }
}

// Monitors the way a test lays them out, each with its work area, the primary one first.
struct FakeMonitors : TMonitorGeometry {
  struct Monitor {
    RECT Bounds;
    TMonitorArea Area;
  };
  TMonitorArea OfWindow(HWND window) override {
    AskedWindow = window;
    return Monitors[Foreground].Area;
  }
  TMonitorArea OfPoint(POINT point) override {
    for (const Monitor& m : Monitors)
      if (PtInRect(&m.Bounds, point)) return m.Area;
    return Monitors[0].Area;
  }
  std::vector<Monitor> Monitors;
  size_t Foreground = 0;  // the monitor that holds the foreground window
  HWND AskedWindow = reinterpret_cast<HWND>(-1);
};

// The primary with its taskbar at the bottom; left of and above it a larger one with the
// taskbar on the left; right of it one with the taskbar at the top; below it a small one
// at 144 DPI.
const FakeMonitors::Monitor Primary = {{0, 0, 800, 600}, {{0, 0, 800, 570}, 96}};
const FakeMonitors::Monitor LeftAbove = {{-1280, -424, 0, 600}, {{-1220, -424, 0, 600}, 96}};
const FakeMonitors::Monitor Right = {{800, 0, 1824, 768}, {{800, 40, 1824, 768}, 96}};
const FakeMonitors::Monitor SmallBelow = {{0, 600, 640, 1080}, {{0, 600, 640, 1080}, 144}};

class MonitorLayoutTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    monitors.Monitors = {Primary, LeftAbove, Right, SmallBelow};
    s->Monitors = &monitors;
  }
  FakeMonitors monitors;
};

TEST_F(MonitorLayoutTest, TheListIsCentredOnTheWorkAreaOfTheForegroundWindowsMonitor) {
  const int width = SetRows(3, 32) + 10 + 10 + 18, height = 3 * 32 + 8;
  const struct { size_t monitor; int left, top; } cases[] = {
      {0, 400 - width / 2, 285 - height / 2},
      {1, -610 - width / 2, 88 - height / 2},    // the taskbar on the left
      {2, 1312 - width / 2, 404 - height / 2},   // the taskbar at the top
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "monitor " << c.monitor);
    monitors.Foreground = c.monitor;
    s->ChooseMonitor();
    EXPECT_EQ(GetForegroundWindow(), monitors.AskedWindow);
    ExpectBounds(c.left, c.top, width, height);
  }
}

// A list too long for a monitor 480 pixels high at 144 DPI: 48-pixel rows, 9 to a column,
// and every column fits its width.
TEST_F(MonitorLayoutTest, ColumnsBreakAtTheWorkAreasHeightAndFitItsWidth) {
  monitors.Foreground = 3;
  s->ChooseMonitor();
  SetRows(40, 32);
  s->AdjustBounds();
  ASSERT_EQ(40u, s->Layout.Rows.size());
  EXPECT_EQ(48, s->Layout.Rows[0].bottom - s->Layout.Rows[0].top);
  EXPECT_EQ(s->Layout.Rows[0].left, s->Layout.Rows[8].left);
  EXPECT_LT(s->Layout.Rows[8].left, s->Layout.Rows[9].left) << "a new column";
  EXPECT_EQ(6 + 9 * 48 + 6, s->Form->Height());

  Clear();
  for (int i = 0; i < 60; ++i)
    s->Entries.push_back(new Row(L"A title far too long for four columns side by side"));
  RECT r = {};
  s->AdjustBounds();
  GetWindowRect(s->Form->Handle, &r);
  EXPECT_GE(r.left, 0);
  EXPECT_LE(r.right, 640);
  EXPECT_GE(r.top, 600);
  EXPECT_LE(r.bottom, 1080);
}

// The point of -centerX and -centerY picks the monitor, and the window stays inside its
// work area: clear of a taskbar on the left, above the bottom edge.
TEST_F(MonitorLayoutTest, TheCentreOptionsPlaceTheListOnTheMonitorThatHoldsThePoint) {
  const int width = SetRows(3, 32) + 10 + 10 + 18, height = 3 * 32 + 8;
  const struct { int centerX, centerY, left, top; } cases[] = {
      {-700, -100, -700 - width / 2, -100 - height / 2},
      {-1270, 590, -1220, 600 - height},
      {1000, 10, 1000 - width / 2, 40},
      {10, 10, 0, 0},
      {795, 595, 800 - width, 570 - height},
  };
  s->CenterGiven = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "centre " << c.centerX << "," << c.centerY);
    s->CenterX = c.centerX;
    s->CenterY = c.centerY;
    s->ChooseMonitor();
    ExpectBounds(c.left, c.top, width, height);
  }
}

// Brought onto a monitor of another scale, the list lays out again at that scale.
TEST_F(MonitorLayoutTest, ADpiChangeLaysTheListOutAgainAtTheNewScale) {
  SetRows(3, 32);
  s->ChooseMonitor();
  s->AdjustBounds();
  ASSERT_EQ(3 * 32 + 8, s->Form->Height());
  monitors.Foreground = 3;
  MessageRecord m = {s->Form->Handle, WM_DPICHANGED, MAKEWPARAM(144, 144), 0};
  LRESULT result = 0;
  EXPECT_TRUE(FormMessage(s, m, result));
  EXPECT_EQ(3 * 48 + 12, s->Form->Height());
}

// Real rows, every one boxed, painted at the size the switcher takes on an 800x600 monitor
// at 96 and at 144 DPI: each box whole with its whole title beside its label, in a column
// that holds it whole, unless three columns of such titles would be wider than the screen.
TEST_F(MonitorLayoutTest, EveryRowIsPaintedWholeWithItsWholeTitleWhereTheScreenHasRoom) {
  // Whether the titles are cut at 96 and at 144 DPI, where rows are half as high again.
  const struct { int rowHeight, rows; const wchar_t* title; bool cut96, cut144; } cases[] = {
      {32, 3, L"Terminal %d", false, false},
      {32, 40, L"Calculator number %d", false, true},  // 4 columns at 144 DPI
      {64, 12, L"Text editor %d", false, false},
      {24, 30, L"Mail %d", false, false},
      {32, 54, L"A window title so long that three columns of it do not fit, %d", true, true},
  };
  const COLORREF shadow = ResolveColor(s->Painter->Shadow);
  const COLORREF highlight = ResolveColor(s->Painter->Highlight);
  int widthAt96 = 0;  // of the first title
  for (int dpi : {96, 144}) {
    monitors.Monitors = {{{0, 0, 800, 600}, {{0, 0, 800, 600}, dpi}}};
    s->ChooseMonitor();
    const TListSizes& z = s->Painter->Sizes;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.rowHeight << " at " << dpi);
      const bool cut = dpi == 96 ? c.cut96 : c.cut144;
      Clear();
      for (int i = 0; i < c.rows; ++i) {
        wchar_t title[100];
        std::swprintf(title, 100, c.title, i * 37);
        TWindowInfo* entry = new TWindowInfo(title, nullptr, c.rowHeight);
        entry->Flashing = true;
        s->Entries.push_back(entry);
      }
      s->AdjustBounds();
      const int w = s->Form->Width(), h = s->Form->Height();
      ASSERT_LE(w, 800);
      ASSERT_LE(h, 600);
      if (cut) {
        // Less what an even share of the room across the columns leaves over.
        EXPECT_GT(w, 800 - 5) << "the screen's width is used";
      }
      Surface surface(w, h, RGB(0, 0, 0));
      s->Painter->PaintList(surface.Canvas, s->Entries, s->Layout, w, h);

      const int row = c.rowHeight * dpi / 96, perColumn = (600 - 2 * z.RowMargin) / row;
      const int boxHeight = row * 5 / 8;
      for (int i = 0; i < c.rows; ++i) {
        SCOPED_TRACE(i);
        TFlipDeckEntry* e = s->Entries[i];
        const int x = e->Left, y = z.RowMargin + i % perColumn * row;
        // The room up to the next column, or up to the watermark.
        const int columnEnd = i + perColumn < c.rows
                                  ? s->Entries[i + perColumn]->Left - z.ColumnGap
                                  : w - z.ColumnGap - z.WatermarkWidth;
        const int boxLeft = x + z.LabelWidth - 2;
        ASSERT_LT(y + boxHeight, h) << "the box's bottom edge is inside the window";
        EXPECT_EQ(shadow, surface.At(boxLeft, y + boxHeight / 2)) << "left edge";
        EXPECT_EQ(highlight, surface.At(boxLeft + 1, y + boxHeight)) << "bottom edge";
        // The right edge: the last column of the row with highlight at its middle.
        int right = columnEnd - 1;
        while (right > x && surface.At(right, y + boxHeight / 2) != highlight) --right;
        EXPECT_EQ(shadow, surface.At(right - 1, y)) << "top edge up to the right edge";
        e->SetupCanvas(surface.Canvas, *s->Painter);
        const int textWidth = surface.Canvas->TextWidth(e->Title);
        const int whole = boxLeft + 2 + row + textWidth + z.BoxRightEdge - 1;
        if (cut) {
          EXPECT_LT(right, whole);
        } else {
          EXPECT_EQ(whole, right);
        }
        if (i == 0 && &c == &cases[0]) {
          if (dpi == 96) widthAt96 = textWidth;
          if (dpi == 144) {
            EXPECT_GT(textWidth * 4, widthAt96 * 5) << "the text is larger";
          }
        }
      }
    }
  }
}

TEST_F(LayoutTest, AClickActivatesTheRowPaintedUnderItAndAClickBesideTheRowsNothing) {
  Clear();
  for (int i = 0; i < 40; ++i) s->Entries.push_back(new Row(L"Row"));  // columns of 18, 18, 4
  s->AdjustBounds();
  const int width = RowAt(0)->GetWidth(s->PaintBox->Canvas(), *s->Painter);
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
