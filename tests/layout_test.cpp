// Where the list goes: rows in columns, the switcher window on each monitor, the pixels
// painted, and the row a click picks.
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "dpi.h"
#include "surface.h"
#include "switcher_fixture.h"

namespace {

struct Monitor {
  RECT Bounds;
  TMonitorArea Area;
};
// The primary with its taskbar at the bottom; left of and above it a larger one with the
// taskbar on the left; right of it one with the taskbar on top; below it one at 144 DPI.
const Monitor Primary = {{0, 0, 800, 600}, {{0, 0, 800, 570}, 96}};
const Monitor LeftAbove = {{-1280, -424, 0, 600}, {{-1220, -424, 0, 600}, 96}};
const Monitor Right = {{800, 0, 1824, 768}, {{800, 40, 1824, 768}, 96}};
const Monitor SmallBelow = {{0, 600, 640, 1080}, {{0, 600, 640, 1080}, 144}};
Monitor Screen(int dpi) { return {{0, 0, 800, 600}, {{0, 0, 800, 600}, dpi}}; }

using Box = std::array<LONG, 4>;  // left, top, width, height

// Stands for the system's monitors: the primary first, and which holds the foreground window.
class LayoutTest : public SwitcherTest, public TMonitorGeometry {
 protected:
  void SetUp() override {
    SwitcherTest::SetUp();
    s->Monitors = this;
    UseMonitors({Screen(96)});
  }
  TMonitorArea OfWindow(HWND window) override {
    AskedWindow = window;
    return Monitors[Foreground].Area;
  }
  TMonitorArea OfPoint(POINT point) override {
    for (const Monitor& m : Monitors)
      if (PtInRect(&m.Bounds, point)) return m.Area;
    return Monitors[0].Area;
  }
  void UseMonitors(std::vector<Monitor> list, size_t foreground = 0) {
    Monitors = list;
    Foreground = foreground;
    s->ChooseMonitor();
  }
  // Replaces the list by count rows, the first titled first; returns the widest row's width.
  int SetRows(int count, int rowHeight = 32, const wchar_t* first = L"The longest title of all",
              const wchar_t* others = L"Row") {
    for (TFlipDeckEntry* e : s->Entries) delete e;
    s->Entries.clear();
    int widest = 0;
    for (int i = 0; i < count; ++i) {
      s->Entries.push_back(new Row(i == 0 ? first : others, rowHeight));
      widest = std::max(widest, Width(i));
    }
    return widest;
  }
  int Width(size_t i) { return s->Entries[i]->GetWidth(s->PaintBox->Canvas(), *s->Painter); }
  Row& RowAt(size_t i) { return *static_cast<Row*>(s->Entries[i]); }
  bool BoxFillsForm() {
    RECT box = {};
    GetClientRect(s->PaintBox->Handle, &box);
    return box.right == s->Form->Width() && box.bottom == s->Form->Height();
  }
  Box Bounds() {
    s->AdjustBounds();
    EXPECT_TRUE(BoxFillsForm());
    RECT r = {};
    GetWindowRect(s->Form->Handle, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  std::vector<Monitor> Monitors;
  size_t Foreground = 0;
  HWND AskedWindow = nullptr;
};

// Whole rows down columns between margins of 4, each column as wide as its widest row, 10
// pixels apart and from the left edge, with 18 pixels for the watermark on the right.
TEST_F(LayoutTest, RowsArePaintedOutOfPlaceTwiceOrOverTheWatermark) {
  const int widest = SetRows(3, 32, L"the widest title of all", L"x");
  RowAt(1).RowHeight = 24;
  RowAt(2).RowHeight = 64;  // ends at y 124, right on the bottom margin
  for (int i = 0; i < 5; ++i) s->Entries.push_back(new Row(L"x"));
  Surface surface(800, 128, RGB(0, 0, 0));
  const TListLayout layout = s->Painter->LayOutList(surface.Canvas, s->Entries, 800, 128);
  s->Painter->PaintList(surface.Canvas, s->Entries, layout, 800, 128);
  const int narrow = Width(3), x2 = 10 + widest + 10, x3 = x2 + narrow + 10;
  ASSERT_GT(widest, narrow);
  const RECT rows[] = {{10, 4, 10 + widest, 36}, {10, 36, 10 + widest, 60},
                       {10, 60, 10 + widest, 124}, {x2, 4, x2 + narrow, 36},
                       {x2, 36, x2 + narrow, 68}, {x2, 68, x2 + narrow, 100},
                       {x3, 4, x3 + narrow, 36}, {x3, 36, x3 + narrow, 68}};
  for (size_t i = 0; i < s->Entries.size(); ++i)
    EXPECT_TRUE(EqualRect(&rows[i], &RowAt(i).Placed) && RowAt(i).Paints == 1) << i;
  EXPECT_EQ(x3 + narrow + 10 + 18, layout.Width) << "room for the watermark";
  EXPECT_EQ(128, layout.Height);

  // These rows paint nothing: all else is background but the watermark, which reads upward
  // in the font colour in a cell turned by 90 degrees right of x 782 and above y 115.
  const COLORREF background = static_cast<COLORREF>(s->Painter->Background);
  const RECT cell = {782, 0, 798, 115};
  EXPECT_EQ(800 * 128 - 16 * 115,
            surface.Count({0, 0, 800, 128}, background) - surface.Count(cell, background));
  int top = 0;
  while (top < 115 && surface.Count({782, top, 798, top + 1}, background) == 16) ++top;
  EXPECT_GT(115 - top, 2 * 16) << "reads upward";
  EXPECT_GT(surface.Count(cell, static_cast<COLORREF>(s->Painter->FontColor)), 0);
  const LOGFONTA& font = surface.Canvas->Font()->Description.Font;
  EXPECT_TRUE(font.lfEscapement == 0 && font.lfHeight == 15) << "upright again for the rows";
}

// Three columns of one row each: only the widest are narrowed, to one width, and only as far
// as the room needs.
TEST_F(LayoutTest, ColumnsAreNarrowedWhereTheyFitOrLeftTooWide) {
  Surface surface(10, 10, RGB(0, 0, 0));
  SetRows(3, 32, L"Short", L"A somewhat longer title");
  RowAt(2).Title = L"The longest title of the three rows";
  const int a = Width(0), b = Width(1), c = Width(2), margins = 3 * 10 + 10 + 18;
  ASSERT_TRUE(a + 10 < b && b < c);
  const struct { int maxWidth; int widths[3]; } cases[] = {
      {margins + a + b + c, {a, b, c}},
      {margins + a + b + c - 2, {a, b, c - 2}},
      {margins + a + 2 * (b - 5), {a, b - 5, b - 5}},
      {margins + 3 * (a - 10) + 2, {a - 10, a - 10, a - 10}},  // 2 pixels stay unused
  };
  for (const auto& k : cases) {
    const TListLayout layout = s->Painter->LayOutList(surface.Canvas, s->Entries, k.maxWidth, 40);
    ASSERT_EQ(3u, layout.Rows.size());
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(k.widths[i], layout.Rows[i].right - layout.Rows[i].left) << k.maxWidth << " " << i;
    EXPECT_LE(layout.Width, k.maxWidth);
  }
}

// Whole rows in columns of at most the screen's height (but 100 high at least), centred on
// the work area of the foreground window's monitor, or on the point of -centerX and -centerY
// on the monitor that holds it, but inside its work area.
TEST_F(LayoutTest, TheWindowIsSizedWrongOrPlacedOffItsMonitorsWorkArea) {
  for (auto c : {std::pair<int, int>{0, 32}, {2, 32}, {18, 32}, {19, 32}, {19, 64}}) {
    const int widest = SetRows(c.first, c.second), per = (600 - 8) / c.second;
    const int narrow = Row(L"Row", c.second).GetWidth(s->PaintBox->Canvas(), *s->Painter);
    const int columns = (c.first + per - 1) / per;
    const int width = columns ? widest + (columns - 1) * narrow + 10 * columns + 28 : 28;
    const int height = std::max(100, std::min(c.first, per) * c.second + 8);
    EXPECT_EQ((Box{std::max(0, 400 - width / 2), 300 - height / 2, width, height}), Bounds())
        << c.first << " rows of " << c.second;
  }
  const HWND w = s->Form->Handle;  // a borderless popup that stays on top
  EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & (WS_POPUP | WS_OVERLAPPEDWINDOW), WS_POPUP);
  EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_TOPMOST),
            WS_EX_TOPMOST);
  s->Form->Show();  // after a resize while hidden, as the switcher does
  EXPECT_TRUE(BoxFillsForm());
  const int width = SetRows(3) + 38, height = 3 * 32 + 8;
  const struct { size_t foreground; bool centerGiven; int x, y, left, top; } places[] = {
      {0, false, 0, 0, 400 - width / 2, 285 - height / 2},   // above the taskbar
      {1, false, 0, 0, -610 - width / 2, 88 - height / 2},   // the taskbar on the left
      {2, false, 0, 0, 1312 - width / 2, 404 - height / 2},  // the taskbar on top
      {0, true, -700, -100, -700 - width / 2, -100 - height / 2},
      {0, true, -1270, 590, -1220, 600 - height},
      {0, true, 1000, 10, 1000 - width / 2, 40},
      {0, true, 10, 10, 0, 0},
      {2, true, 795, 595, 800 - width, 570 - height},
  };
  for (const auto& c : places) {
    s->CenterGiven = c.centerGiven;
    s->CenterX = c.x;
    s->CenterY = c.y;
    AskedWindow = nullptr;
    UseMonitors({Primary, LeftAbove, Right, SmallBelow}, c.foreground);
    EXPECT_EQ(c.centerGiven ? nullptr : GetForegroundWindow(), AskedWindow);
    EXPECT_EQ((Box{c.left, c.top, width, height}), Bounds()) << &c - places;
  }
  s->CenterGiven = false;  // moved by something else onto the monitor at 144 DPI
  Foreground = 3;
  MessageRecord m = {w, WM_DPICHANGED, MAKEWPARAM(144, 144), 0};
  LRESULT result = 0;
  EXPECT_TRUE(FormMessage(s, m, result));
  EXPECT_EQ(3 * 48 + 12, s->Form->Height()) << "not laid out again at the new scale";
  s->Form->SetClientSize(0, 500)->SetClientSize(640, -1);  // 0 or less keeps a side
  EXPECT_TRUE(s->Form->Width() == 640 && s->Form->Height() == 500);
  SetWindowPos(w, 0, 0, 0, 250, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);  // not by us
  EXPECT_TRUE(BoxFillsForm() && s->Form->Width() == 250) << "the paint box fills it again";
}

// Real rows, every one boxed, at the size the switcher takes on an 800x600 monitor, painted
// by the switcher over its whole paint box: each box whole with its whole title, unless
// three columns of such titles would be wider than the screen. A click picks the row painted
// under it, on its first and last pixel too, and none in the margins and gaps.
TEST_F(LayoutTest, ARowIsCutThoughTheScreenHasRoomOrAClickPicksARowNotUnderIt) {
  const struct { int dpi, rowHeight, rows; const wchar_t* title; bool cut; } cases[] = {
      {96, 32, 3, L"Terminal %d", false}, {144, 32, 3, L"Terminal %d", false},
      {96, 32, 40, L"Calculator number %d", false},
      {144, 32, 40, L"Calculator number %d", true},  // 4 columns
      {96, 64, 12, L"Text editor %d", false}, {144, 64, 12, L"Text editor %d", false},
      {96, 24, 30, L"Mail %d", false}, {144, 24, 30, L"Mail %d", false},
      {96, 32, 54, L"A window title so long that three columns of it do not fit, %d", true},
      {144, 32, 54, L"A window title so long that three columns of it do not fit, %d", true},
  };
  const COLORREF background = ResolveColor(s->Painter->Background);
  const COLORREF shadow = ResolveColor(s->Painter->Shadow);
  const COLORREF highlight = ResolveColor(s->Painter->Highlight);
  int widthAt96 = 0;  // of the first title
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.rowHeight << " at " << c.dpi);
    UseMonitors({Screen(c.dpi)});
    auto at = [&c](int pixels) { return MulDiv(pixels, c.dpi, 96); };  // sizes given for 96
    SetRows(0);
    for (int i = 0; i < c.rows; ++i) {
      wchar_t title[100];
      std::swprintf(title, 100, c.title, i * 37);
      s->Entries.push_back(new TWindowInfo(title, nullptr, c.rowHeight));
      s->Entries.back()->Flashing = true;
    }
    s->AdjustBounds();
    const int w = s->Form->Width(), h = s->Form->Height();
    ASSERT_TRUE(w <= 800 && h <= 600);
    EXPECT_TRUE(!c.cut || w > 795) << "the screen's width is used";
    Surface surface(w, h, RGB(0, 0, 0));
    s->PaintBox->PaintDC = surface.Dc;  // the switcher's own paint, into the bitmap
    s->PaintEntries();
    s->PaintBox->Canvas()->AttachDC(0);
    s->PaintBox->PaintDC = 0;
    EXPECT_EQ(background, surface.At(w - 1, h - 1)) << "the whole paint box is painted";

    const int row = at(c.rowHeight), margin = at(4), perColumn = (600 - 2 * margin) / row;
    const int boxHeight = row * 5 / 8, gap = at(10);
    for (int i = 0; i < c.rows; ++i) {
      TFlipDeckEntry* e = s->Entries[i];
      const int y = margin + i % perColumn * row, boxLeft = e->Left + at(20) - 2;
      const int next = (i / perColumn + 1) * perColumn;  // the next column's first row
      const int columnEnd = next < c.rows ? s->Entries[next]->Left - gap
                                          : s->Layout.Width - gap - at(18);
      ASSERT_LT(y + boxHeight, h) << i;
      EXPECT_EQ(shadow, surface.At(boxLeft, y + boxHeight / 2)) << i << " left edge";
      EXPECT_EQ(highlight, surface.At(boxLeft + 1, y + boxHeight)) << i << " bottom edge";
      int right = columnEnd - 1;  // the right edge: highlight at the row's middle
      while (right > e->Left && surface.At(right, y + boxHeight / 2) != highlight) --right;
      EXPECT_EQ(shadow, surface.At(right - 1, y)) << i << " top edge up to the right edge";
      e->SetupCanvas(surface.Canvas, *s->Painter);
      const int textWidth = surface.Canvas->TextWidth(e->Title);
      const int whole = boxLeft + 2 + row + textWidth + at(3) - 1;
      EXPECT_TRUE(c.cut ? right < whole : right == whole) << i << ": " << right << " " << whole;
      const int above = i % perColumn ? i - 1 : -1;
      const int below = (i + 1) % perColumn && i + 1 < c.rows ? i + 1 : -1;
      const struct { int x, y, row; } clicks[] = {{e->Left, y, i}, {e->Left - 1, y, -1},
          {columnEnd - 1, y + row - 1, i}, {columnEnd, y, -1}, {e->Left, y - 1, above},
          {e->Left, y + row, below}};
      for (auto k : clicks) EXPECT_EQ(k.row, ::RowAt(s->Layout, {k.x, k.y})) << i << " at " << k.x;
      if (i > 0 || &c > &cases[1]) continue;
      if (c.dpi == 96) widthAt96 = textWidth;
      else EXPECT_GT(textWidth * 4, widthAt96 * 5) << "the text is larger";
    }
  }
}

}  // namespace
