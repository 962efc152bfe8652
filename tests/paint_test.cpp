// Buffered painting of a form and its client-aligned paint box, read back from the screen
// and from the off-screen buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "leaks.h"
#include "surface.h"
#include "wait.h"
#include "winobj/events.h"
#include "winobj/paint.h"

namespace {

const int FormColor = 0x00336699, BoxColor = 0x00208040;
const COLORREF BoxFill = RGB(200, 40, 40);
const int Width = 200, Height = 150;

COLORREF BrushColor(HBRUSH brush) {
  LOGBRUSH lb = {};
  GetObject(brush, sizeof lb, &lb);
  return lb.lbColor;
}

// What the paint event saw; the event measures a text and fills the left half of the
// control with Fill.
struct PaintLog {
  int Calls = 0;
  // Calls that did not draw into the form's buffer during its pass, with the paint box's
  // canvas on that DC.
  int Misplaced = 0;
  HDC LastDC = 0;
  COLORREF Fill = BoxFill;
  COLORREF PixelBefore = 0;  // at (5, 5) of the DC, before drawing
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
  HBRUSH brush = CreateSolidBrush(log->Fill);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

bool HasUpdate(TWinControl* c) {
  RECT r;
  return GetUpdateRect(c->Handle, &r, FALSE) != 0;
}

class BufferedPaintTest : public ::testing::Test {
 protected:
  // Built as the switcher builds its window: a buffered form without border, Margin 0,
  // and a client-aligned buffered paint box.
  void SetUp() override {
    form = NewForm(nullptr, "paint test");
    form->Color = FormColor;
    form->SetPosition(100, 80)->SetClientSize(Width, Height);
    SetBufferedPaint(form, true);
    form->SetHasBorder(false);
    form->Margin = 0;
    box = NewPaintBox(form)->SetAlign(5);
    box->Margin = 2;
    box->Color = BoxColor;
    SetBufferedPaint(box, true);
    SetOnPaint(box, LogPaint, &log);
    // Without the frame the client area grew; give it the test size again.
    form->SetClientSize(Width, Height);
    form->Show();
    ASSERT_TRUE(ShowsOnScreen(log.Fill));
  }
  void TearDown() override { Free(form); }

  bool Idle() { return !HasUpdate(form) && !HasUpdate(box); }
  COLORREF ScreenPixel(int x, int y) {
    POINT p = {x, y};
    ClientToScreen(form->Handle, &p);
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return color;
  }
  bool ShowsOnScreen(COLORREF fill) {
    return WaitUntil([&] { return Idle() && ScreenPixel(5, 5) == fill; }, 3000);
  }
  // Waits for the pass that the preceding change asked for.
  bool Repainted() {
    int calls = log.Calls;
    return WaitUntil([&] { return Idle() && log.Calls > calls; }, 3000);
  }

  TWinControl* form = nullptr;
  TWinControl* box = nullptr;
  PaintLog log;
};

}  // namespace

// Runs first: solid brushes are the source only until the process makes its first brush
// tool, and the paint tests below make them.
TEST(BackgroundBrushTest, SolidBrushesUntilTheFirstBrushToolThenTheControlsTools) {
  ASSERT_FALSE(BrushToolsInUse) << "an earlier test made a brush tool";
  TWinControl* form = NewForm(nullptr, "brushes");
  form->Color = 0x00102030;
  TWinControl* same = NewPaintBox(form);
  TWinControl* other = NewPaintBox(form);
  other->Color = 0x00405060;

  HBRUSH formBrush = BackgroundBrush(form);
  EXPECT_EQ(0x00102030u, BrushColor(formBrush));
  EXPECT_EQ(formBrush, BackgroundBrush(same)) << "a child of the parent's colour shares it";
  EXPECT_EQ(0x00405060u, BrushColor(BackgroundBrush(other)));
  other->Color = 0x00708090;
  EXPECT_EQ(0x00708090u, BrushColor(BackgroundBrush(other))) << "re-made for a new colour";

  Free(NewBrush());
  ASSERT_TRUE(BrushToolsInUse);
  HBRUSH formTool = BackgroundBrush(form);
  ASSERT_NE(nullptr, form->BrushTool);
  EXPECT_EQ(formTool, form->BrushTool->Handle());
  EXPECT_EQ(0x00102030u, BrushColor(formTool));
  EXPECT_EQ(formTool, BackgroundBrush(same)) << "shared through the parent's tool";
  EXPECT_EQ(0x00708090u, BrushColor(BackgroundBrush(other)));

  other->BrushTool->SetColor(0x00112233);
  EXPECT_EQ(0x00112233, other->Color) << "the control takes its tool's colour";
  EXPECT_EQ(0x00112233u, BrushColor(BackgroundBrush(other)));
  Free(form);
}

// One pass fills the form into the buffer first (the kept buffer still held the last
// pass's fill), then paints the paint box once into it, with its canvas on the buffer;
// the paint box's own paint, as when the window is uncovered, only hands the repaint to
// the form; a paint carrying a DC (WM_PRINT) draws into that DC without BeginPaint.
TEST_F(BufferedPaintTest, PaintBoxIsPaintedOnlyThroughOnePassOfTheFormOrIntoTheDcGiven) {
  log = PaintLog();
  log.Fill = RGB(20, 160, 220);
  box->Invalidate();
  ASSERT_TRUE(ShowsOnScreen(log.Fill));
  PumpFor(100);
  EXPECT_EQ(1, log.Calls) << "one pass, which paints the paint box once";
  EXPECT_EQ(ResolveColor(FormColor), log.PixelBefore) << "the form's erase came first";
  EXPECT_EQ(ResolveColor(FormColor), ScreenPixel(Width - 5, Height - 5));
  EXPECT_EQ(nullptr, box->CanvasObject->DC) << "unbound after the event";
  EXPECT_EQ(nullptr, box->PaintDC);
  EXPECT_EQ(nullptr, form->PaintDC);

  InvalidateRect(box->Handle, nullptr, FALSE);
  log.Fill = RGB(240, 200, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, box->Handle, WM_PAINT, WM_PAINT, PM_REMOVE));
  DispatchMessageA(&msg);
  EXPECT_EQ(1, log.Calls) << "the paint box drew nothing itself";
  EXPECT_FALSE(HasUpdate(box));
  EXPECT_TRUE(HasUpdate(form));
  ASSERT_TRUE(ShowsOnScreen(log.Fill));
  EXPECT_EQ(0, log.Misplaced) << "every drawing went into the form's buffer";

  Surface target(Width, Height, RGB(0, 0, 0));
  InvalidateRect(box->Handle, nullptr, FALSE);
  SendMessageA(box->Handle, WM_PRINT, reinterpret_cast<WPARAM>(target.Dc), PRF_CLIENT);
  EXPECT_EQ(target.Dc, log.LastDC);
  EXPECT_EQ(log.Fill, target.At(5, 5));
  EXPECT_TRUE(HasUpdate(box)) << "BeginPaint would have validated it";
  EXPECT_EQ(nullptr, box->PaintDC) << "restored after the event";
}

TEST_F(BufferedPaintTest, BufferIsKeptWhileAtMost32PixelsLargerAndRemadeOtherwise) {
  ASSERT_EQ(Width, form->BufferWidth);
  ASSERT_EQ(Height, form->BufferHeight);
  const struct { int w, h; bool kept; int bufferW, bufferH; } steps[] = {
      {210, 150, false, 210, 150},  // grown by 10
      {178, 150, true, 210, 150},   // 32 smaller: still kept
      {170, 150, false, 170, 150},  // 40 smaller
      {170, 110, false, 170, 110},  // 40 lower
      {170, 120, false, 170, 120},  // higher than the buffer
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.w) + "x" + std::to_string(step.h));
    HBITMAP before = form->BufferBitmap;
    form->SetClientSize(step.w, step.h);
    ASSERT_TRUE(Repainted());
    EXPECT_EQ(step.bufferW, form->BufferWidth);
    EXPECT_EQ(step.bufferH, form->BufferHeight);
    EXPECT_TRUE(!step.kept || before == form->BufferBitmap) << "kept";
    EXPECT_EQ(log.Fill, ScreenPixel(5, step.h - 1));
    EXPECT_EQ(ResolveColor(FormColor), ScreenPixel(step.w - 1, step.h - 1));
  }
}

TEST_F(BufferedPaintTest, ThousandsOfRepaintsLeaveNoGdiObjectBehind) {
  const int calls = log.Calls;
  auto cycle = [&](int i) {
    // Every hundred repaints the bitmap is re-made for a size 60 pixels apart.
    if (i % 100 == 0) form->SetClientSize(i % 200 ? Width + 60 : Width, Height);
    box->Invalidate();
    UpdateWindow(form->Handle);
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 3000, 200));
  EXPECT_GE(log.Calls - calls, 3200);

  HBITMAP bitmap = form->BufferBitmap;
  ASSERT_NE(nullptr, bitmap);
  Free(form);
  form = nullptr;
  EXPECT_EQ(0u, GetObjectType(bitmap)) << "freed with the form";
}

TEST_F(BufferedPaintTest, WithoutAPaintEventThePaintBoxIsPaintedInItsOwnColour) {
  // The "STATIC" procedure fills it with the brush of the reflected colour request.
  box->OnPaint.Clear();
  const int calls = log.Calls;
  const COLORREF own = ResolveColor(BoxColor);
  box->Invalidate();
  ASSERT_TRUE(ShowsOnScreen(own));
  EXPECT_EQ(calls, log.Calls);
  EXPECT_EQ(own, ScreenPixel(Width - 5, Height - 5));
}
