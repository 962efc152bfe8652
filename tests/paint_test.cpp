// Background brushes, and the buffered painting of a form and its client-aligned paint box,
// read back from the screen and from the off-screen buffer.
#include <gtest/gtest.h>

#include <string>

#include "leaks.h"
#include "surface.h"
#include "switcher.h"
#include "wait.h"
#include "winobj/events.h"
#include "winobj/paint.h"

namespace {

const int FormColor = 0x00336699, BoxColor = 0x00208040, Width = 200, Height = 150;

COLORREF BrushColor(HBRUSH brush) {
  LOGBRUSH lb = {};
  GetObject(brush, sizeof lb, &lb);
  return lb.lbColor;
}

bool HasUpdate(TWinControl* c) {
  RECT r;
  return GetUpdateRect(c->Handle, &r, FALSE) != 0;
}

// What the paint event saw. It measures a text and fills the left half of the control.
struct PaintLog {
  int Calls = 0;
  int Misplaced = 0;  // calls that did not draw into the form's buffer during its pass
  HDC LastDC = 0;
  COLORREF Fill = RGB(200, 40, 40), PixelBefore = 0;  // at (5, 5), before the fill
};

void LogPaint(void* receiver, TWinControl* sender, HDC dc) {
  PaintLog* log = static_cast<PaintLog*>(receiver);
  log->Calls++;
  log->LastDC = dc;
  TWinControl* root = sender->Parent;
  const bool measured = sender->Canvas()->TextWidth("FlipDeck") > 0;
  log->Misplaced += !root || !root->Painting || root->PaintDC != dc || sender->PaintDC != dc ||
                    GetObjectType(dc) != OBJ_MEMDC || sender->CanvasObject->DC != dc || !measured;
  log->PixelBefore = GetPixel(dc, 5, 5);
  RECT r;
  GetClientRect(sender->Handle, &r);
  r.right /= 2;
  SetDCBrushColor(dc, log->Fill);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

class BufferedPaintTest : public ::testing::Test {
 protected:
  // Built as the switcher builds its window: a buffered form without border, Margin 0, and
  // a client-aligned buffered paint box.
  void SetUp() override {
    form = NewForm(nullptr, "paint test");
    form->Color = FormColor;
    form->SetPosition(100, 80);
    SetBufferedPaint(form, true);
    form->SetHasBorder(false);
    form->Margin = 0;
    box = NewPaintBox(form)->SetAlign(5);
    box->Margin = 2;
    box->Color = BoxColor;
    SetBufferedPaint(box, true);
    SetOnPaint(box, LogPaint, &log);
    form->SetClientSize(Width, Height);
    form->Show();
    ASSERT_TRUE(Shows(log.Fill));
  }
  void TearDown() override { Free(form); }

  COLORREF Pixel(int x, int y) {  // of the form, on the screen
    POINT p = {x, y};
    ClientToScreen(form->Handle, &p);
    return ScreenPixel(p.x, p.y);
  }
  // Waits until nothing is left to paint and the screen shows fill at (5, 5).
  bool Shows(COLORREF fill) {
    return WaitUntil(
        [&] { return !HasUpdate(form) && !HasUpdate(box) && Pixel(5, 5) == fill; }, 3000);
  }

  TWinControl* form = nullptr;
  TWinControl* box = nullptr;
  PaintLog log;
};

}  // namespace

// Runs first: solid brushes are the source only until the process makes its first brush
// tool, and the paint tests below make them.
TEST(BackgroundBrushTest, AControlIsFilledWithABrushOfAnotherColourOrNotSharedWithItsParent) {
  ASSERT_FALSE(BrushToolsInUse) << "an earlier test made a brush tool";
  TWinControl* form = NewForm(nullptr, "brushes");
  form->Color = 0x00102030;
  TWinControl* same = NewPaintBox(form);
  TWinControl* other = NewPaintBox(form);
  other->Color = 0x00405060;
  for (bool tools : {false, true}) {
    SCOPED_TRACE(tools ? "brush tools" : "solid brushes");
    const HBRUSH formBrush = BackgroundBrush(form);
    EXPECT_EQ(BrushColor(formBrush), 0x00102030u);
    EXPECT_TRUE(!tools || (form->BrushTool && form->BrushTool->Handle() == formBrush));
    EXPECT_EQ(BackgroundBrush(same), formBrush) << "a child of the parent's colour shares it";
    EXPECT_EQ(BrushColor(BackgroundBrush(other)), static_cast<COLORREF>(other->Color));
    other->Color = 0x00708090;
    EXPECT_EQ(BrushColor(BackgroundBrush(other)), 0x00708090u) << "re-made for a new colour";
    Free(NewBrush());
    ASSERT_TRUE(BrushToolsInUse);
  }
  other->BrushTool->SetColor(0x00112233);
  EXPECT_EQ(other->Color, 0x00112233) << "the control takes its tool's colour";
  EXPECT_EQ(BrushColor(BackgroundBrush(other)), 0x00112233u);
  Free(form);
}

// One pass fills the form into the buffer first (the kept buffer still held the last pass's
// fill), then paints the paint box once into it with its canvas on the buffer. The paint
// box's own paint, as when the window is uncovered, hands the repaint to the form; a paint
// carrying a DC (WM_PRINT) draws into that DC without BeginPaint. Without a paint event
// the box shows its own colour.
TEST_F(BufferedPaintTest, APaintBoxIsPaintedOutsideTheFormsPassOrTwiceOrIntoTheWrongDc) {
  log = PaintLog();
  log.Fill = RGB(20, 160, 220);
  box->Invalidate();
  ASSERT_TRUE(Shows(log.Fill));
  PumpFor(100);
  EXPECT_EQ(log.Calls, 1);
  EXPECT_EQ(log.PixelBefore, ResolveColor(FormColor)) << "the form's erase came first";
  EXPECT_EQ(Pixel(Width - 5, Height - 5), ResolveColor(FormColor));
  EXPECT_TRUE(!box->CanvasObject->DC && !box->PaintDC && !form->PaintDC) << "still bound";

  InvalidateRect(box->Handle, nullptr, FALSE);
  log.Fill = RGB(240, 200, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, box->Handle, WM_PAINT, WM_PAINT, PM_REMOVE));
  DispatchMessageA(&msg);
  EXPECT_EQ(log.Calls, 1) << "the paint box drew by itself";
  EXPECT_TRUE(!HasUpdate(box) && HasUpdate(form));
  ASSERT_TRUE(Shows(log.Fill));
  EXPECT_EQ(log.Misplaced, 0);

  Surface target(Width, Height, RGB(0, 0, 0));
  InvalidateRect(box->Handle, nullptr, FALSE);
  SendMessageA(box->Handle, WM_PRINT, reinterpret_cast<WPARAM>(target.Dc), PRF_CLIENT);
  EXPECT_EQ(log.LastDC, target.Dc);
  EXPECT_EQ(target.At(5, 5), log.Fill);
  EXPECT_TRUE(HasUpdate(box)) << "BeginPaint would have validated it";
  EXPECT_EQ(box->PaintDC, nullptr) << "not restored after the event";

  // The "STATIC" procedure fills it with the brush of the reflected colour request.
  box->OnPaint.Clear();
  const int calls = log.Calls;
  box->Invalidate();
  ASSERT_TRUE(Shows(ResolveColor(BoxColor)));
  EXPECT_EQ(calls, log.Calls);
  EXPECT_EQ(Pixel(Width - 5, Height - 5), ResolveColor(BoxColor));
}

// The buffer is kept while at most 32 pixels larger than the form, and given back with it.
TEST_F(BufferedPaintTest, TheBufferIsRemadeForASmallChangeOrKeptTooSmallOrLeaked) {
  ASSERT_TRUE(form->BufferWidth == Width && form->BufferHeight == Height);
  const struct { int w, h; bool kept; int bufferW, bufferH; } steps[] = {
      {210, 150, false, 210, 150},  // grown by 10
      {178, 150, true, 210, 150},   // 32 smaller: still kept
      {170, 150, false, 170, 150},  // 40 smaller
      {170, 110, false, 170, 110},  // 40 lower
      {170, 120, false, 170, 120},  // higher than the buffer
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.w) + "x" + std::to_string(step.h));
    const HBITMAP before = form->BufferBitmap;
    const int calls = log.Calls;
    form->SetClientSize(step.w, step.h);
    ASSERT_TRUE(WaitUntil([&] { return !HasUpdate(form) && log.Calls > calls; }, 3000));
    EXPECT_EQ(form->BufferWidth, step.bufferW);
    EXPECT_EQ(form->BufferHeight, step.bufferH);
    EXPECT_EQ(before == form->BufferBitmap, step.kept);
    EXPECT_EQ(Pixel(5, step.h - 1), log.Fill);
    EXPECT_EQ(Pixel(step.w - 1, step.h - 1), ResolveColor(FormColor));
  }

  const int calls = log.Calls;
  auto cycle = [&](int i) {
    // Every hundred repaints the bitmap is re-made for a size 60 pixels apart.
    if (i % 100 == 0) form->SetClientSize(i % 200 ? Width + 60 : Width, Height);
    box->Invalidate();
    UpdateWindow(form->Handle);
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 3000, 200));
  EXPECT_GE(log.Calls - calls, 3200);
  const HBITMAP bitmap = form->BufferBitmap;
  Free(form);
  form = nullptr;
  EXPECT_EQ(GetObjectType(bitmap), 0u) << "not freed with the form";
}
