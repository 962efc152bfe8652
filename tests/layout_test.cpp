// Size and place of the switcher window for a given list on the 800x600 test display, and
// the list painting across the whole paint box.
#include <algorithm>

#include "switcher_fixture.h"
#include "wait.h"
#include "winobj/canvas.h"

namespace {

class LayoutTest : public SwitcherTest {
 protected:
  // Replaces the list by `count` rows, the first with the longest title; returns the
  // widest row's width.
  int SetRows(int count, int rowHeight) {
    for (TFlipDeckEntry* e : s->Entries) delete e;
    s->Entries.clear();
    int widest = 0;
    for (int i = 0; i < count; ++i) {
      s->Entries.push_back(new Row(i == 0 ? L"The longest title of them all" : L"Row", rowHeight));
      widest = std::max(widest, s->Entries.back()->GetWidth(s->PaintBox->Canvas()));
    }
    return widest;
  }

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

TEST_F(LayoutTest, WindowHoldsTheRowsInColumnsOfAtMostTheScreenHeight) {
  const struct { int rows, rowHeight, columns, height; } cases[] = {
      {0, 32, 1, 100},   // 65 wide; the odd pixel of the half goes to the right
      {2, 32, 1, 100},   // 64 pixels of rows, but at least 100
      {18, 32, 1, 576},
      {10, 64, 2, 600},  // 640 pixels of rows
      {19, 64, 3, 600},  // 1216 pixels of rows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows of " << c.rowHeight);
    const int width = c.columns * SetRows(c.rows, c.rowHeight) + 65;
    ExpectBounds(std::max(0, 400 - width / 2), 300 - c.height / 2, width, c.height);
  }
}

TEST_F(LayoutTest, OnlyTheTopAndLeftEdgesAreKeptOnScreen) {
  const int width = SetRows(3, 32) + 65;
  const struct { int centerX, centerY, left, top; } cases[] = {
      {10, 10, 0, 0}, {-500, -500, 0, 0}, {790, 590, 790 - width / 2, 540}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "centre " << c.centerX << "," << c.centerY);
    s->CenterX = c.centerX;
    s->CenterY = c.centerY;
    ExpectBounds(c.left, c.top, width, 100);
  }
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
