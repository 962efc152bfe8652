// Size and place of the switcher window for a given list on the 800x600 test display, and
// the list painting across the whole paint box.
#include <algorithm>
#include <string>

#include "switcher_fixture.h"
#include "wait.h"
#include "winobj/canvas.h"

namespace {

// A row of a chosen height that stands for no window.
struct Row : TFlipDeckEntry {
  Row(const std::string& title, int rowHeight) {
    Title = title;
    RowHeight = rowHeight;
  }
  void Paint(TWinCanvas*, int, int, int, int) override {}
  void Activate() override {}
};

class LayoutTest : public SwitcherTest {
 protected:
  // Adds `count` rows; the first one has the longest title. Returns the widest row's width.
  int AddRows(int count, int rowHeight) {
    for (int i = 0; i < count; ++i)
      s->Entries.push_back(new Row(i == 0 ? "The longest title of them all" : "Row", rowHeight));
    int widest = 0;
    for (TFlipDeckEntry* e : s->Entries)
      widest = std::max(widest, e->GetWidth(s->PaintBox->Canvas()));
    return widest;
  }

  RECT WindowRect() {
    RECT r = {};
    GetWindowRect(s->Form->Handle, &r);
    return r;
  }
};

void ExpectRect(const RECT& r, int left, int top, int width, int height) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

TEST_F(LayoutTest, TestDisplayIs800By600AndTheCentreIsItsMiddle) {
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  EXPECT_EQ(s->CenterX, 400);
  EXPECT_EQ(s->CenterY, 300);
}

TEST_F(LayoutTest, EmptyListGivesTheMinimumWindowCentred) {
  s->AdjustBounds();
  // 65 / 2 is 32: the odd pixel goes to the right.
  ExpectRect(WindowRect(), 368, 250, 65, 100);
}

TEST_F(LayoutTest, ShortListIsAtLeast100High) {
  int widest = AddRows(2, 32);
  ASSERT_GT(widest, 20);
  s->AdjustBounds();
  int width = widest + 65;
  ExpectRect(WindowRect(), 400 - width / 2, 250, width, 100);
}

TEST_F(LayoutTest, ListThatFitsTakesItsRowSum) {
  int widest = AddRows(18, 32);
  s->AdjustBounds();
  int width = widest + 65;
  ExpectRect(WindowRect(), 400 - width / 2, 300 - 576 / 2, width, 576);
}

TEST_F(LayoutTest, ListTallerThanTheScreenGetsColumnsByRowSum) {
  struct Case {
    int rows;
    int columns;
  };
  const Case cases[] = {{10, 2}, {19, 3}};  // 640 and 1216 pixels of 64-pixel rows
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows");
    for (TFlipDeckEntry* e : s->Entries) delete e;
    s->Entries.clear();
    int widest = AddRows(c.rows, 64);
    s->AdjustBounds();
    int width = c.columns * widest + 65;
    ExpectRect(WindowRect(), std::max(0, 400 - width / 2), 0, width, 600);
  }
}

TEST_F(LayoutTest, OnlyTheTopAndLeftEdgesAreKeptOnScreen) {
  int widest = AddRows(3, 32);
  int width = widest + 65;

  s->CenterX = 10;
  s->CenterY = 10;
  s->AdjustBounds();
  ExpectRect(WindowRect(), 0, 0, width, 100);

  s->CenterX = -500;
  s->CenterY = -500;
  s->AdjustBounds();
  ExpectRect(WindowRect(), 0, 0, width, 100);

  s->CenterX = 790;
  s->CenterY = 590;
  s->AdjustBounds();
  ExpectRect(WindowRect(), 790 - width / 2, 540, width, 100);
  EXPECT_GT(WindowRect().right, 800);
  EXPECT_GT(WindowRect().bottom, 600);
}

TEST_F(LayoutTest, PaintEntriesPaintsTheWholePaintBox) {
  AddRows(2, 32);
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

  COLORREF background = ResolveColor(s->Painter->Background);
  EXPECT_EQ(GetPixel(dc, 1, 1), background);
  EXPECT_EQ(GetPixel(dc, client.right - 1, client.bottom - 1), background);
  ReleaseDC(box, dc);
}

}  // namespace
