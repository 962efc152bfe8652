// Window entries: which icon a row shows and when, what activating it does, and the pixels
// of a painted row. Icons do not cross processes under Wine, so the icon cases use windows
// of this process that answer as each case asks; a window of another thread that does not
// pump stands for a busy program.
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
  const Answers* a = reinterpret_cast<const Answers*>(GetWindowLongPtrA(w, GWLP_USERDATA));
  if (a && m == WM_GETICON)
    return reinterpret_cast<LRESULT>(wp == ICON_BIG ? a->Big : wp == ICON_SMALL ? a->Small
                                                                                : a->Small2);
  if (a && m == WM_QUERYDRAGICON) return reinterpret_cast<LRESULT>(a->Drag);
  return DefWindowProcA(w, m, wp, lp);
}

const COLORREF Base = RGB(1, 2, 3);  // the surface before painting
const RECT IconCell = {32, 6, 48, 22};  // of a 32-pixel row painted at (10, 4)

HICON Sys(LPCSTR id) { return LoadIconA(nullptr, id); }
HICON Blank(BYTE andBits, BYTE xorBits) {
  BYTE andMask[128], xorMask[128] = {xorBits};
  memset(andMask, andBits, sizeof andMask);
  return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

// Windows of two classes, the second with a small class icon.
HWND MakeWindow(const Answers* answers, bool classIcon = false, HWND owner = 0) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = AnswerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EntryTestPlain";
    RegisterClassExA(&wc);
    wc.lpszClassName = "EntryTestClassIcon";
    wc.hIconSm = Sys(IDI_WINLOGO);
    RegisterClassExA(&wc);
  }
  HWND w = CreateWindowExA(0, classIcon ? "EntryTestClassIcon" : "EntryTestPlain", "entry",
                           WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, owner, 0,
                           GetModuleHandleA(nullptr), 0);
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(answers));
  return w;
}

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
  TFlipDeckEntry* Listed(HWND w) {
    for (TFlipDeckEntry* e : s->Entries)
      if (e->Handle == w) return e;
    return nullptr;
  }
  std::vector<HWND> windows;
};

TEST_F(EntryTest, IconsAreLookedUpInOrderAndOutliveTheirEntries) {
  // An icon of this process, which forgetting a window that shows it must leave valid.
  const HICON big = Blank(0, 0xAA), small = Sys(IDI_INFORMATION), small2 = Sys(IDI_QUESTION);
  // Static: the windows ask for them until they are destroyed after the test.
  static Answers both, none, onlySmall2, onlyBig, drag;
  both = {big, small, small2, 0};
  onlySmall2 = {0, 0, small2, 0};
  onlyBig = {big, 0, 0, 0};
  drag = {0, 0, 0, Sys(IDI_ERROR)};
  HWND owner = Window(&onlyBig);
  const struct { const Answers* answers; bool classIcon; HWND owner; bool bigFirst; HICON icon; }
      cases[] = {{&both, false, 0, true, big},
                 {&both, false, 0, false, small},
                 {&onlySmall2, false, 0, false, small2},
                 {&onlyBig, false, 0, false, big},
                 {&none, true, 0, true, Sys(IDI_WINLOGO)},
                 {&drag, false, 0, false, Sys(IDI_ERROR)},
                 {&none, false, owner, false, big},
                 {&none, false, 0, false, Sys(IDI_APPLICATION)}};
  std::vector<HWND> asked;
  for (const auto& c : cases) {
    asked.push_back(Window(c.answers, c.classIcon, c.owner));
    // Windows of this thread answer at once.
    s->Icons.Ask(asked.back(), c.bigFirst);
    EXPECT_EQ(s->Icons.IconOf(asked.back()), c.icon) << &c - cases;
  }
  for (HWND w : asked) DestroyWindow(w);
  s->Icons.Queue({});  // a list without them
  ICONINFO info = {};
  EXPECT_TRUE(GetIconInfo(big, &info));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyIcon(big);
}

// A window of another thread that answers only while it pumps: it waits for Go before
// each round of pumping. TimedOut tells that the test waited on the thread instead of
// letting it pump.
struct BusyWindow {
  explicit BusyWindow(const Answers* answers) {
    HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = std::thread([=] {
      Window = MakeWindow(answers, true);
      ShowWindow(Window, SW_SHOWNOACTIVATE);
      SetEvent(made);
      for (MSG m; !Done;) {
        if (WaitForSingleObject(Go, 10000) != WAIT_OBJECT_0) {
          TimedOut = true;
          break;
        }
        ResetEvent(Go);
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        SetEvent(Pumped);
      }
      DestroyWindow(Window);
    });
    WaitForSingleObject(made, INFINITE);
    CloseHandle(made);
  }
  ~BusyWindow() {
    Done = true;
    SetEvent(Go);
    thread.join();
    CloseHandle(Go);
    CloseHandle(Pumped);
  }
  void PumpOnce() {
    ResetEvent(Pumped);
    SetEvent(Go);
    WaitForSingleObject(Pumped, 10000);
  }

  HWND Window = 0;
  HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE Pumped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  volatile bool Done = false, TimedOut = false;
  std::thread thread;
};

int listPaints = 0;
void CountingPaint(void* receiver, TWinControl*, HDC) {
  ++listPaints;
  static_cast<TSwitcher*>(receiver)->PaintEntries();
}

// The list is shown and painted while a listed window's program is busy; its icon is
// painted once it answers and kept while it is busy again; once hung, it is asked nothing
// and still switched to at the release of Alt, without waiting, in front of the window
// that was in front before.
TEST_F(EntryTest, ABusyOrHungWindowNeverDelaysTheListOrTheSwitchAndItsIconComesLater) {
  static Answers busyAnswers;
  busyAnswers = {Sys(IDI_ERROR), Sys(IDI_ERROR), Sys(IDI_ERROR), 0};
  BusyWindow busy(&busyAnswers);
  HWND other = Window(nullptr);
  ShowWindow(other, SW_SHOW);
  SetOnPaint(s->PaintBox, CountingPaint, s);
  listPaints = 0;
  s->Refresh();
  PumpPending();
  UpdateWindow(s->Form->Handle);
  EXPECT_GT(listPaints, 0);
  IdleHook(s->Form);  // the loop's idle pass, which asks for the icons
  EXPECT_FALSE(busy.TimedOut);
  TFlipDeckEntry* row = Listed(busy.Window);
  ASSERT_NE(row, nullptr);
  // Not answered yet: the row shows the class icon.
  EXPECT_EQ(s->Icons.IconOf(busy.Window), Sys(IDI_WINLOGO));

  // The answers of the lookup arrive one by one as this thread pumps.
  const int paintsBefore = listPaints;
  for (int i = 0; i < 5 && s->Icons.IconOf(busy.Window) != Sys(IDI_ERROR); ++i) {
    busy.PumpOnce();
    PumpPending();
  }
  EXPECT_EQ(s->Icons.IconOf(busy.Window), Sys(IDI_ERROR));
  UpdateWindow(s->Form->Handle);
  EXPECT_GT(listPaints, paintsBefore);
  Surface painted(300, 40, Base), expected(300, 40, Base);
  row->Selected = false;
  row->Paint(painted.Canvas, *s->Painter, 10, 4, 300, 32);
  expected.Canvas->Brush()->SetColor(s->Painter->Background);
  expected.Canvas->FillRectangle(IconCell);
  DrawIconEx(expected.Dc, 32, 6, Sys(IDI_ERROR), 16, 16, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(painted.Differences(expected, IconCell), 0);
  EXPECT_GT(expected.Count(IconCell, static_cast<COLORREF>(s->Painter->Background)), 0);

  // Busy again: the next list keeps the icon it knows.
  s->Refresh();
  PumpPending();
  IdleHook(s->Form);
  EXPECT_EQ(s->Icons.IconOf(busy.Window), Sys(IDI_ERROR));
  // Hidden while another window is in front: the busy window is never activated before
  // the switch.
  SetForegroundWindow(other);
  s->Form->Hide();
  busy.PumpOnce();  // answers the question of the refresh before it hung
  busyAnswers.Big = busyAnswers.Small = busyAnswers.Small2 = Sys(IDI_WARNING);
  ASSERT_TRUE(WaitUntil([&] { return IsHungAppWindow(busy.Window) != FALSE; }, 9000));
  s->Refresh();
  PumpPending();
  ASSERT_NE(Listed(busy.Window), nullptr);
  for (TFlipDeckEntry* e : s->Entries) e->Selected = e->Handle == busy.Window;
  int key = VK_MENU;
  FormKeyUp(s, s->Form, key, 0);
  EXPECT_FALSE(busy.TimedOut);
  EXPECT_FALSE(IsWindowVisible(s->Form->Handle));
  busy.PumpOnce();
  PumpPending();
  EXPECT_EQ(s->Icons.IconOf(busy.Window), Sys(IDI_ERROR)) << "a hung window was asked again";
  EXPECT_TRUE(WaitUntil([&] {
    busy.PumpOnce();
    return GetForegroundWindow() == busy.Window;
  }, 2000));
  HWND above = busy.Window;
  while (above && above != other) above = GetWindow(above, GW_HWNDNEXT);
  EXPECT_EQ(above, other);
}

// Each idle pass of the loop asks two questions, so a key waits behind few answers, and
// the passes go on until every listed window was asked as often as its lookup needs: once
// where the first answer is an icon, three times where only the big icon is set.
TEST_F(EntryTest, IdlePassesAskTwoQuestionsAtATimeUntilEveryLookupIsDone) {
  static Answers first, onlyBig;
  first = {Sys(IDI_ERROR), Sys(IDI_ERROR), Sys(IDI_ERROR), 0};
  onlyBig = {Sys(IDI_ERROR), 0, 0, 0};
  for (auto c : {std::make_pair(&first, 2), std::make_pair(&onlyBig, 0)}) {
    std::vector<std::unique_ptr<BusyWindow>> programs;
    std::vector<std::pair<HWND, bool>> lookups;
    for (int i = 0; i < 5; ++i) {
      programs.push_back(std::make_unique<BusyWindow>(c.first));
      lookups.emplace_back(programs.back()->Window, false);
    }
    const auto answer = [&] {
      for (auto& program : programs) program->PumpOnce();
      PumpPending();
    };
    const auto answered = [&] {
      return std::count_if(programs.begin(), programs.end(), [&](auto& program) {
        return s->Icons.IconOf(program->Window) == Sys(IDI_ERROR);
      });
    };
    s->Icons.Queue(lookups);
    EXPECT_TRUE(s->Icons.AskQueued());
    answer();
    EXPECT_EQ(answered(), c.second);
    for (int pass = 0; pass < 10; ++pass) {  // 15 questions at most, two a pass
      s->Icons.AskQueued();
      answer();
    }
    EXPECT_EQ(answered(), 5);
  }
}

// Images are made once per icon and given back when no listed window shows it any more;
// the icons themselves belong to the windows.
TEST_F(EntryTest, TheIconCacheForgetsWindowsNoLongerListedAndKeepsNoHandles) {
  static Answers error;
  error = {Sys(IDI_ERROR), Sys(IDI_ERROR), Sys(IDI_ERROR), 0};
  Surface surface(100, 100, Base);
  const HWND kept = Window(&error);
  s->Icons.Draw(surface.Dc, 0, 0, kept, 16, RGB(1, 1, 1));  // the cache's own DC
  const int gdi = CountGdiObjects();
  for (int round = 0; round < 3; ++round) {
    std::vector<HWND> made;
    std::vector<HICON> icons;
    std::vector<Answers> answers(20);
    for (int i = 0; i < 20; ++i) {
      icons.push_back(Blank(0, 0x55));
      answers[i] = {icons[i], icons[i], icons[i], 0};
      made.push_back(MakeWindow(&answers[i], i % 2 == 0));
      made.push_back(MakeWindow(&answers[i]));  // the same icon: the same image
    }
    for (HWND w : made) {
      s->Icons.Ask(w, false);
      for (int size : {16, 32})
        for (COLORREF background : {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3)})
          s->Icons.Draw(surface.Dc, 10, 10, w, size, background);
    }
    const int drawn = CountGdiObjects();
    for (HICON icon : icons) DestroyIcon(icon);
    const int images = drawn - CountGdiObjects();
    for (HWND w : made) DestroyWindow(w);
    s->Icons.Queue({{kept, false}});  // the next list
    EXPECT_EQ(CountGdiObjects(), drawn - images - 20) << round;  // one image per icon
    EXPECT_EQ(CountGdiObjects(), gdi) << round;
  }
}

TEST_F(EntryTest, ActivateBringsTheWindowForwardAndClearsItsAttentionMarks) {
  HWND other = Window(nullptr), owner = Window(nullptr), popup = Window(nullptr, false, owner);
  for (HWND w : {other, owner, popup}) ShowWindow(w, SW_SHOW);
  SetForegroundWindow(other);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 2000));
  TFlashingWindows& flashing = s->FlashingWindows;
  for (HWND w : {other, owner, popup}) flashing.Mark(w);
  TWindowInfo entry(L"Popup", popup, 32);
  s->ActivateEntry(&entry);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == popup; }, 2000));
  EXPECT_FALSE(flashing.IsFlashing(popup));
  EXPECT_FALSE(flashing.IsFlashing(owner));
  EXPECT_TRUE(flashing.IsFlashing(other));
}

// A row of the window "Hello" painted at (10, 4), 32 pixels high; the window answers with
// an icon that leaves its cell in the row's colour.
class RowPaint : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    answers = {blank, blank, blank, 0};
    entry = std::make_unique<TWindowInfo>(L"Hello", Window(&answers), 32);
    s->Icons.Ask(entry->Handle, false);
  }
  void TearDown() override {
    EntryTest::TearDown();
    DestroyIcon(blank);
  }
  // The text as a row shows it, written alone onto another surface with the wide call.
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
  COLORREF Color(int value) { return static_cast<COLORREF>(value); }

  HICON blank = Blank(0xFF, 0);
  Answers answers = {};
  std::unique_ptr<TWindowInfo> entry;
};

TEST_F(RowPaint, WidthIsTheRowAsPaintedFromLabelToBoxEdge) {
  Surface surface(10, 10, Base);
  for (auto c : {POINT{24, 47}, {32, 55}, {64, 87}}) {
    entry->RowHeight = c.x;
    EXPECT_EQ(entry->GetWidth(surface.Canvas, *s->Painter) - surface.Canvas->TextWidth("Hello"),
              c.y);
  }
}

TEST_F(RowPaint, BoxFramesTheSelectedAndTheFlashingEntryAndOnlyTheSelectionIsForeground) {
  const COLORREF bg = Color(s->Painter->Background), fg = Color(s->Painter->Foreground);
  for (auto c : {std::pair{true, false}, {true, true}, {false, true}, {false, false}}) {
    SCOPED_TRACE(testing::Message() << "selected " << c.first << ", flashing " << c.second);
    Surface surface(300, 40, Base);
    entry->Selected = c.first;
    entry->Flashing = c.second;
    entry->Paint(surface.Canvas, *s->Painter, 10, 4, 300, 32);
    EXPECT_GT(surface.Count({62, 7, 90, 21}, c.first ? fg : bg), 0);  // the title's cells
    // The frame: x 28 to r, y 4 to 24; the label lies left of it.
    const int l = 28, t = 4, b = 24, r = 30 + 32 + surface.Canvas->TextWidth("Hello") + 2;
    if (!c.first && !c.second) {
      EXPECT_EQ(surface.Count({l - 1, 0, 62, 40}, Base), (63 - l) * 40 - 16 * 16);
      EXPECT_EQ(surface.Count(IconCell, bg), 16 * 16);
      continue;
    }
    for (POINT p : {POINT{l, t}, {l, b}, {r, t}, {r, b}})
      EXPECT_EQ(surface.At(p.x, p.y), bg) << p.x << "," << p.y;
    EXPECT_EQ(surface.Count({l + 1, t, r, t + 1}, Color(s->Painter->Shadow)), r - l - 1);
    EXPECT_EQ(surface.Count({l, t + 1, l + 1, b}, Color(s->Painter->Shadow)), b - t - 1);
    EXPECT_EQ(surface.Count({l + 1, b, r, b + 1}, Color(s->Painter->Highlight)), r - l - 1);
    EXPECT_EQ(surface.Count({r, t + 1, r + 1, b}, Color(s->Painter->Highlight)), b - t - 1);
    EXPECT_EQ(surface.Count({l + 1, t + 1, 62, b}, c.first ? fg : bg), (61 - l) * (b - t - 1));
    // Nothing outside the frame.
    EXPECT_EQ(surface.Count({l - 1, 0, 300, 40}, Base),
              (301 - l) * 40 - (r - l + 1) * (b - t + 1));
  }
  // A real icon, drawn at half the row height into the selection's colour.
  answers = {Sys(IDI_APPLICATION), Sys(IDI_APPLICATION), Sys(IDI_APPLICATION), 0};
  s->Icons.Ask(entry->Handle, false);
  Surface surface(300, 40, Base);
  entry->Selected = true;
  entry->Paint(surface.Canvas, *s->Painter, 10, 4, 300, 32);
  EXPECT_LT(surface.Count(IconCell, fg), 16 * 16);
  EXPECT_EQ(surface.Count({48, 5, 62, 24}, fg), 14 * 19);
  EXPECT_EQ(surface.Count({29, 22, 62, 24}, fg), 33 * 2);
}

TEST_F(RowPaint, KeyLabelsFollowTheNumber) {
  const struct { int number; const wchar_t* label; int x; } cases[] = {
      {9, L"9", 13}, {10, L"A", 13}, {35, L"Z", 13}, {36, L"F1", 10}, {47, L"F12", 10},
      {48, L"", 0}};
  for (auto c : cases) {
    Surface painted(100, 40, Base), expected(100, 40, Base);
    entry->Number = c.number;
    entry->Paint(painted.Canvas, *s->Painter, 10, 4, 300, 32);
    if (*c.label) Reference(expected, c.x, 6, c.label, 1);
    expected.Canvas->Brush()->SetColor(s->Painter->Background);
    expected.Canvas->FillRectangle(IconCell);
    EXPECT_EQ(painted.Differences(expected, {0, 0, 62, 40}), 0) << c.number;
    EXPECT_EQ(expected.Count({0, 0, 62, 40}, Base) < 62 * 40 - 16 * 16, *c.label != 0)
        << c.number;
  }
}

TEST_F(RowPaint, TitlesAreDrawnAsTheirCharactersAndShortenedWithDotsBetweenWholeOnes) {
  Surface measure(10, 10, Base);
  Reference(measure, 0, 0, L"", 0);
  const int dots = measure.Canvas->TextWidth(L"...");
  // Titles in other scripts are drawn as the characters they are, as the wide call draws
  // them with the list's font and the fonts linked to it, never as the "?" of the system
  // code page.
  for (const std::wstring title :
       {L"A rather long window title", L"Mood \U0001F600\U0001F622 now", L"Cafe\u0301 cre\u0300me",
        L"\u0417\u0430\u043C\u0435\u0442\u043A\u0438 \u03A9\u03BC\u03AD\u03B3\u03B1",
        L"\u4E2D\u6587\u6807\u9898 \u65E5\u672C\u8A9E\u306E\u30BF\u30A4\u30C8\u30EB"}) {
    entry->Title = title;
    ASSERT_EQ(measure.Canvas->MeasureText(title).cy, 14);  // so the title starts at Y + 3
    const int full = measure.Canvas->TextWidth(title);
    // Every width at which one more unit would fit, with and without the dots, and one
    // pixel less.
    std::set<int> limits = {1000, 0, -1};
    for (size_t n = 1; n <= title.size(); ++n) {
      const int width = measure.Canvas->TextWidth(title.substr(0, n));
      limits.insert({width, width - 1, width + dots, width + dots - 1});
    }
    for (int limit : limits) {
      // Whole if it fits, else the longest start that fits together with the dots and
      // does not split a surrogate pair or a character from its combining mark.
      std::wstring shown = title;
      if (full > limit) {
        shown.clear();
        for (size_t n = 1; n <= title.size(); ++n) {
          const bool splits = n < title.size() && (IS_LOW_SURROGATE(title[n]) ||
                                                   title[n] == 0x0300 || title[n] == 0x0301);
          if (!splits && measure.Canvas->TextWidth(title.substr(0, n)) <= limit - dots)
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
