// Window entries: the icon a row shows and when it is asked, the switch to a busy or hung
// window, a row's pixels. Icons do not cross processes under Wine: the windows here are this
// process's, and those of a thread that pumps only on demand stand for a busy program.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "handles.h"
#include "surface.h"
#include "switcher_fixture.h"
#include "wait.h"
#include "winobj/paint.h"

namespace {

struct Answers {
  HICON Big, Small, Small2, Drag;
};

LRESULT CALLBACK AnswerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  const auto* a = reinterpret_cast<const Answers*>(GetWindowLongPtrA(w, GWLP_USERDATA));
  if (a && m == WM_GETICON)
    return reinterpret_cast<LRESULT>(wp == ICON_BIG ? a->Big : wp ? a->Small2 : a->Small);
  if (a && m == WM_QUERYDRAGICON) return reinterpret_cast<LRESULT>(a->Drag);
  return DefWindowProcA(w, m, wp, lp);
}

const COLORREF Base = RGB(1, 2, 3);     // the surface before painting
const RECT IconCell = {32, 6, 48, 22};  // of a 32-pixel row painted at (10, 4)

HICON Sys(LPCSTR id) { return LoadIconA(nullptr, id); }
HICON Blank(BYTE andBits, BYTE xorBits) {
  BYTE andMask[128], xorMask[128] = {xorBits};
  memset(andMask, andBits, sizeof andMask);
  return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}
COLORREF Color(int value) { return static_cast<COLORREF>(value); }

// Windows of two classes, the second with a small class icon.
HWND MakeWindow(const Answers* answers, bool classIcon = false, HWND owner = 0) {
  static bool registered = false;
  WNDCLASSEXA wc = {sizeof wc, 0, AnswerProc, 0, 0, GetModuleHandleA(nullptr), 0, 0, 0, 0, 0, 0};
  for (const char* name : {"EntryTestPlain", "EntryTestClassIcon"}) {
    wc.lpszClassName = name;
    if (!registered) RegisterClassExA(&wc);
    wc.hIconSm = Sys(IDI_WINLOGO);
  }
  registered = true;
  HWND w = CreateWindowExA(0, classIcon ? "EntryTestClassIcon" : "EntryTestPlain", "entry",
                           WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, owner, 0,
                           GetModuleHandleA(nullptr), 0);
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(answers));
  return w;
}

// Windows of another thread, which answers only in PumpOnce. TimedOut: the test waited on
// the thread instead of letting it pump.
struct BusyThread {
  BusyThread(const Answers* answers, int count) {
    thread = std::thread([=] {
      for (int i = 0; i < count; ++i) {
        Windows.push_back(MakeWindow(answers, true));
        ShowWindow(Windows.back(), SW_SHOWNOACTIVATE);
      }
      SetEvent(Pumped);
      for (MSG m; !Done; SetEvent(Pumped)) {
        if (WaitForSingleObject(Go, 10000) != WAIT_OBJECT_0) TimedOut = Done = true;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      }
      for (HWND w : Windows) DestroyWindow(w);
    });
    WaitForSingleObject(Pumped, INFINITE);
  }
  ~BusyThread() {
    Done = true;
    SetEvent(Go);
    thread.join();
    CloseHandle(Go);
    CloseHandle(Pumped);
  }
  void PumpOnce() {
    SetEvent(Go);
    WaitForSingleObject(Pumped, 10000);
  }

  std::vector<HWND> Windows;
  HANDLE Go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE Pumped = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  volatile bool Done = false, TimedOut = false;
  std::thread thread;
};

class EntryTest : public SwitcherTest {
 protected:
  void TearDown() override {
    for (HWND w : windows) DestroyWindow(w);
    SwitcherTest::TearDown();
  }
  HWND Window(const Answers* answers, bool classIcon = false, HWND owner = 0) {
    windows.push_back(MakeWindow(answers, classIcon, owner));
    return windows.back();
  }
  std::vector<HWND> windows;
};

// The icon a row shows, and the images the cache draws of them: one per icon whatever its
// size and background, given back when no listed window shows it; the icons stay their
// windows'.
TEST_F(EntryTest, ARowShowsTheWrongIconOrTheCacheLeaksImagesOrDestroysIcons) {
  Surface surface(100, 100, Base);
  s->Icons.Draw(surface.Dc, 0, 0, Window(nullptr), 16, RGB(1, 1, 1));  // the cache's own DC
  s->Icons.Queue({});
  const HICON big = Blank(0, 0x55), small = Sys(IDI_INFORMATION), small2 = Sys(IDI_QUESTION);
  static Answers both, none, onlySmall2, onlyBig, drag;
  both = {big, small, small2, 0};
  onlySmall2 = {0, 0, small2, 0};
  onlyBig = {big, 0, 0, 0};
  drag = {0, 0, 0, Sys(IDI_ERROR)};
  const HWND owner = Window(&onlyBig);
  const struct { const Answers* answers; bool classIcon; HWND owner; bool bigFirst; HICON icon; }
      cases[] = {{&both, false, 0, true, big},
                 {&both, false, 0, false, small},
                 {&onlySmall2, false, 0, false, small2},
                 {&onlyBig, false, 0, false, big},
                 {&none, true, 0, true, Sys(IDI_WINLOGO)},  // the class icon
                 {&drag, false, 0, false, Sys(IDI_ERROR)},
                 {&none, false, owner, false, big},
                 {&none, false, 0, false, Sys(IDI_APPLICATION)}};
  const int icons = CountGdiObjects();
  for (const auto& c : cases) {
    const HWND w = Window(c.answers, c.classIcon, c.owner);
    s->Icons.Ask(w, c.bigFirst);  // windows of this thread answer at once
    EXPECT_EQ(s->Icons.IconOf(w), c.icon) << &c - cases;
    for (int size : {16, 32})
      for (COLORREF background : {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3)})
        s->Icons.Draw(surface.Dc, 10, 10, w, size, background);
  }
  EXPECT_EQ(CountGdiObjects(), icons + 6) << "one image for each of the six icons";
  s->Icons.Queue({});  // a list without them
  EXPECT_EQ(CountGdiObjects(), icons);
  EXPECT_TRUE(DestroyIcon(big)) << "the cache destroyed a window's icon";
}

int listPaints = 0;
void CountingPaint(void* receiver, TWinControl*, HDC) {
  ++listPaints;
  static_cast<TSwitcher*>(receiver)->PaintEntries();
}

// The list is painted while the programs of listed windows are busy. Their icons are asked
// two questions per idle pass of the loop, so that a key waits behind few answers, three
// questions each here, and painted as they come. Once hung, a window is asked nothing and
// still switched to at the release of Alt, without waiting, in front of the one before.
TEST_F(EntryTest, ABusyOrHungWindowDelaysTheListOrTheSwitchOrGetsTheWrongIcon) {
  static Answers answers;
  answers = {Sys(IDI_ERROR), 0, 0, 0};
  BusyThread busy(&answers, 5);
  const HWND w = busy.Windows[0], other = Window(nullptr);
  ShowWindow(other, SW_SHOW);
  SetOnPaint(s->PaintBox, CountingPaint, s);
  s->Refresh();
  PumpPending();
  UpdateWindow(s->Form->Handle);
  EXPECT_GT(listPaints, 0);
  const int paints = listPaints;
  const auto passAnswered = [&] {
    IdleHook(s->Form);
    busy.PumpOnce();
    PumpPending();
    return std::count_if(busy.Windows.begin(), busy.Windows.end(),
                         [&](HWND b) { return s->Icons.IconOf(b) == Sys(IDI_ERROR); });
  };
  EXPECT_EQ(s->Icons.IconOf(w), Sys(IDI_WINLOGO)) << "the class icon until it answers";
  for (int answered : {0, 0, 2, 2, 2, 4, 4, 4, 5}) EXPECT_EQ(passAnswered(), answered);
  UpdateWindow(s->Form->Handle);
  EXPECT_GT(listPaints, paints);
  // A row, selected: the icon 16 pixels square at (32, 6) on the selection's colour.
  const RECT around = {31, 5, 49, 23};
  Surface painted(300, 40, Base), expected(300, 40, Base);
  for (TFlipDeckEntry* e : s->Entries) {
    if (e->Handle != w) continue;
    e->Selected = true;
    e->Paint(painted.Canvas, *s->Painter, 10, 4, 300, 32);
  }
  expected.Canvas->Brush()->SetColor(s->Painter->Foreground);
  expected.Canvas->FillRectangle(around);
  DrawIconEx(expected.Dc, 32, 6, Sys(IDI_ERROR), 16, 16, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(painted.Differences(expected, around), 0);
  EXPECT_GT(expected.Count(IconCell, Color(s->Painter->Foreground)), 0);

  s->Refresh();  // busy again: the next list keeps the icons it knows
  PumpPending();
  IdleHook(s->Form);
  EXPECT_EQ(s->Icons.IconOf(w), Sys(IDI_ERROR));
  // Hidden while another window is in front, so that nothing activates w before the switch.
  SetForegroundWindow(other);
  s->Form->Hide();
  busy.PumpOnce();  // answers the questions of that refresh before it hangs
  answers = {Sys(IDI_WARNING), Sys(IDI_WARNING), Sys(IDI_WARNING), 0};
  ASSERT_TRUE(WaitUntil([&] { return IsHungAppWindow(w) != FALSE; }, 9000));
  for (HWND marked : {w, other}) s->FlashingWindows.Mark(marked);
  s->Refresh();
  PumpPending();
  for (TFlipDeckEntry* e : s->Entries) e->Selected = e->Handle == w;
  int key = VK_MENU;
  FormKeyUp(s, s->Form, key, 0);
  EXPECT_FALSE(busy.TimedOut);
  EXPECT_FALSE(IsWindowVisible(s->Form->Handle));
  EXPECT_FALSE(s->FlashingWindows.IsFlashing(w)) << "its attention mark stays";
  EXPECT_TRUE(s->FlashingWindows.IsFlashing(other));
  EXPECT_EQ(passAnswered(), 5) << "a hung window was asked again";
  EXPECT_TRUE(WaitUntil([&] { return busy.PumpOnce(), GetForegroundWindow() == w; }, 2000));
  HWND above = w;
  while (above && above != other) above = GetWindow(above, GW_HWNDNEXT);
  EXPECT_EQ(above, other);
}

// A row of the window "Hello" painted at (10, 4), 32 pixels high; its icon leaves its cell
// in the row's colour.
class RowPaint : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    entry = std::make_unique<TWindowInfo>(L"Hello", Window(&answers), 32);
    s->Icons.Ask(entry->Handle, false);
  }
  void TearDown() override {
    EntryTest::TearDown();
    DestroyIcon(blank);
  }
  // The text as a row shows it, written alone with the wide call.
  void Reference(Surface& surface, int x, int y, const std::wstring& text, int style) {
    TGraphicTool* font = surface.Canvas->Font();
    font->SetHeight(14);
    font->SetFaceName("Tahoma");
    font->SetColor(s->Painter->FontColor);
    font->SetStyle(style);
    surface.Canvas->Brush()->SetColor(s->Painter->Background);
    HDC dc = surface.Canvas->Prepare(NeedFont | NeedBrush | NeedDC);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  }

  HICON blank = Blank(0xFF, 0);
  Answers answers = {blank, blank, blank, 0};
  std::unique_ptr<TWindowInfo> entry;
};

// Left of the box, the label of the row's key; the box frames the selected row in the
// selection's colour and the flashing one in the list's, shadow above and left, highlight
// below and right, corners cut; a plain row has none. The box ends where the row's measured
// width does.
TEST_F(RowPaint, TheLabelTheBoxOrTheMeasuredWidthOfARowIsWrong) {
  const COLORREF bg = Color(s->Painter->Background), fg = Color(s->Painter->Foreground);
  const COLORREF shadow = Color(s->Painter->Shadow), light = Color(s->Painter->Highlight);
  Surface measure(10, 10, Base);
  for (auto c : {POINT{24, 47}, {64, 87}, {32, 55}}) {
    entry->RowHeight = c.x;
    EXPECT_EQ(entry->GetWidth(measure.Canvas, *s->Painter) - measure.Canvas->TextWidth("Hello"),
              c.y);
  }
  const int l = 28, t = 4, b = 24, r = 10 + entry->GetWidth(measure.Canvas, *s->Painter) - 1;
  const struct { int number; const wchar_t* label; int x; bool selected, flashing; } cases[] = {
      {9, L"9", 13, true, false},   {10, L"A", 13, false, true}, {35, L"Z", 13, true, true},
      {36, L"F1", 10, false, false}, {47, L"F12", 10, false, false}, {48, L"", 0, false, false}};
  for (auto c : cases) {
    SCOPED_TRACE(c.number);
    Surface painted(300, 40, Base), expected(300, 40, Base);
    entry->Number = c.number;
    entry->Selected = c.selected;
    entry->Flashing = c.flashing;
    entry->Paint(painted.Canvas, *s->Painter, 10, 4, 300, 32);
    if (*c.label) Reference(expected, c.x, 6, c.label, 1);
    EXPECT_EQ(expected.Count({0, 0, l, 40}, Base) < l * 40, *c.label != 0);
    const COLORREF fill = c.selected ? fg : bg;
    EXPECT_GT(painted.Count({62, 7, 90, 21}, fill), 0) << "the title's cells";
    if (!c.selected && !c.flashing) {
      expected.Canvas->Brush()->SetColor(s->Painter->Background);
      expected.Canvas->FillRectangle(IconCell);
      EXPECT_EQ(painted.Differences(expected, {0, 0, 62, 40}), 0);
      continue;
    }
    EXPECT_EQ(painted.Differences(expected, {0, 0, l, 40}), 0);
    for (POINT p : {POINT{l, t}, {l, b}, {r, t}, {r, b}}) EXPECT_EQ(painted.At(p.x, p.y), bg);
    EXPECT_EQ(painted.Count({l + 1, t, r, t + 1}, shadow), r - l - 1);
    EXPECT_EQ(painted.Count({l, t + 1, l + 1, b}, shadow), b - t - 1);
    EXPECT_EQ(painted.Count({l + 1, b, r, b + 1}, light), r - l - 1);
    EXPECT_EQ(painted.Count({r, t + 1, r + 1, b}, light), b - t - 1);
    EXPECT_EQ(painted.Count({l + 1, t + 1, 62, b}, fill), (61 - l) * (b - t - 1));
    EXPECT_EQ(painted.Count({l, 0, 300, 40}, Base), (300 - l) * 40 - (r - l + 1) * (b - t + 1))
        << "painted outside the box";
  }
}

// Titles in other scripts are drawn as their characters (the wide call with the list's font
// and the fonts linked to it), never as the "?" of the system code page; a title too long
// for its row ends in "..." after the longest start that fits, never splitting a surrogate
// pair or a character from its combining mark.
TEST_F(RowPaint, ATitleIsGarbledOrShortenedWhereItFitsOrNotToTheLongestWholeStart) {
  Surface measure(10, 10, Base);
  Reference(measure, 0, 0, L"", 0);
  const int dots = measure.Canvas->TextWidth(L"...");
  for (const std::wstring title :
       {L"A rather long window title", L"Mood \U0001F600\U0001F622 now", L"Cafe\u0301 cre\u0300me",
        L"\u0417\u0430\u043C\u0435\u0442\u043A\u0438 \u03A9\u03BC\u03AD\u03B3\u03B1",
        L"\u4E2D\u6587\u6807\u9898 \u65E5\u672C\u8A9E\u306E\u30BF\u30A4\u30C8\u30EB"}) {
    entry->Title = title;
    ASSERT_EQ(measure.Canvas->MeasureText(title).cy, 14);  // so the title starts at Y + 3
    // Every width at which one more unit would fit, with and without the dots, and one less.
    std::set<int> limits = {1000, 0, -1};
    for (size_t n = 1; n <= title.size(); ++n) {
      const int width = measure.Canvas->TextWidth(title.substr(0, n));
      limits.insert({width, width - 1, width + dots, width + dots - 1});
    }
    for (int limit : limits) {
      std::wstring shown = title;
      if (measure.Canvas->TextWidth(title) > limit) {
        shown.clear();
        for (size_t n = 1; n <= title.size(); ++n) {
          const wchar_t next = n < title.size() ? title[n] : 0;
          if (!IS_LOW_SURROGATE(next) && next != 0x0300 && next != 0x0301 &&
              measure.Canvas->TextWidth(title.substr(0, n)) <= limit - dots)
            shown = title.substr(0, n);
        }
        shown += L"...";
      }
      Surface painted(400, 40, Base), expected(400, 40, Base);
      entry->Paint(painted.Canvas, *s->Painter, 10, 4, limit + 20 + 32 + 3, 32);
      Reference(expected, 62, 7, shown, 0);
      ASSERT_EQ(painted.Differences(expected, {62, 0, 400, 40}), 0)
          << "limit " << limit << ", " << shown.size() << " units shown of " << title.size();
    }
  }
}

}  // namespace
