// Which windows the switcher lists, in which order, with which marks, and what a Refresh
// leaves behind: real windows of another process, made by window_maker.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cloaking.h"
#include "heapwatch.h"
#include "leaks.h"
#include "process.h"
#include "switcher_fixture.h"
#include "wait.h"

namespace {

bool Among(const std::vector<HWND>& windows, HWND w) {
  return std::find(windows.begin(), windows.end(), w) != windows.end();
}

std::vector<HWND> Sorted(std::vector<HWND> windows) {
  std::sort(windows.begin(), windows.end());
  return windows;
}

// A window_maker title: printable ASCII as it is, everything else as \uXXXX.
std::string Escaped(const std::wstring& title) {
  std::string escaped;
  for (wchar_t c : title) {
    char unit[8];
    std::snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
    escaped += c >= 32 && c < 127 && c != '\\' ? std::string(1, static_cast<char>(c)) : unit;
  }
  return escaped;
}

// Whether w lies above every other visible window that is not topmost.
bool LiesOnTop(HWND w) {
  for (HWND t = GetTopWindow(nullptr); t; t = GetWindow(t, GW_HWNDNEXT)) {
    if (!IsWindowVisible(t) || (GetWindowLongW(t, GWL_EXSTYLE) & WS_EX_TOPMOST)) continue;
    return t == w;
  }
  return false;
}

// The foreground moves at once, but the window rises in the Z-order only when its own
// process has handled the activation: wait for both.
bool MakeForeground(HWND w) {
  SetForegroundWindow(w);
  return WaitUntil([&] { return GetForegroundWindow() == w && LiesOnTop(w); }, 3000);
}

class EnumerationTest : public SwitcherTest {
 protected:
  // Makes windows in window_maker, one a request "FLAGS|EXSTYLE|OWNER|TITLE" (see the app).
  bool Make(const std::vector<std::string>& requests) {
    std::string args;
    for (const std::string& r : requests) args += " " + QuoteArgument(r);
    made = StartReporting(maker, "window_maker", args, requests.size());
    return made.size() == requests.size();
  }
  // The listed handles of the windows made, in list order.
  std::vector<HWND> Listed() {
    std::vector<HWND> listed;
    for (TFlipDeckEntry* e : s->Entries)
      if (Among(made, e->Handle)) listed.push_back(e->Handle);
    return listed;
  }
  TFlipDeckEntry* EntryOf(HWND w) {
    for (TFlipDeckEntry* e : s->Entries)
      if (e->Handle == w) return e;
    return nullptr;
  }
  // The one selected entry's window; nullptr unless exactly one is selected, and unless
  // every entry carries its place in the list as its number.
  HWND SelectedWindow() {
    HWND selected = nullptr;
    int count = 0;
    for (size_t i = 0; i < s->Entries.size(); ++i) {
      if (s->Entries[i]->Number != static_cast<int>(i)) return nullptr;
      if (s->Entries[i]->Selected) ++count, selected = s->Entries[i]->Handle;
    }
    return count == 1 ? selected : nullptr;
  }

  Program maker;
  std::vector<HWND> made;
};

TEST_F(EnumerationTest, ListsVisibleEnabledAppWindowsAndPopupsInPlaceOfOwnersWithMarks) {
  const std::wstring titles[] = {
      L"\u0417\u0430\u043C\u0435\u0442\u043A\u0438 \u03A9\u03BC\u03AD\u03B3\u03B1",
      L"\u4E2D\u6587\u6807\u9898 \u65E5\u672C\u8A9E\u306E",
      L"Smile \U0001F600 please",  // a surrogate pair
      L"Inbox\u200B(3) Cafe\u0301",  // a zero-width space and a combining mark
  };
  ASSERT_TRUE(Make({
      "|0|-1|Plain",        // 0 listed, flashing
      "h|0|-1|Hidden",      // 1
      "d|0|-1|Disabled",    // 2
      "|80|-1|Tool",        // 3
      "|0|-1|",             // 4 listed, no title
      "|0|-1|Main",         // 5 flashing, represented by its active popup
      "ta|1|5|Popup",       // 6 listed, flashing through its owner
      "t|0|5|Other owned",  // 7 listed: owned, but not the active popup
      "|0|-1|" + std::string(1100, 'x'),  // 8 listed, the title cut to 1023 units
      "|0|-1|" + Escaped(titles[0]), "|0|-1|" + Escaped(titles[1]),  // 9, 10
      "|0|-1|" + Escaped(titles[2]), "|0|-1|" + Escaped(titles[3]),  // 11, 12
  }));
  // A window that flashed and was destroyed since: its handle value may come back with a
  // new window, which must not be boxed.
  HWND gone = CreateWindowA("STATIC", "Gone", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0);
  ASSERT_TRUE(DestroyWindow(gone));
  for (HWND w : {made[0], gone, made[5]}) s->FlashingWindows.Mark(w);

  s->Refresh();
  EXPECT_FALSE(s->FlashingWindows.IsFlashing(gone));
  EXPECT_TRUE(s->FlashingWindows.IsFlashing(made[0]));
  EXPECT_TRUE(s->FlashingWindows.IsFlashing(made[5]));
  ASSERT_EQ(Sorted(Listed()), Sorted({made[0], made[4], made[6], made[7], made[8], made[9],
                                      made[10], made[11], made[12]}));
  EXPECT_EQ(EntryOf(made[6])->Title, L"Popup");
  EXPECT_EQ(EntryOf(made[4])->Title, L"");
  EXPECT_EQ(EntryOf(made[8])->Title, std::wstring(1023, L'x'));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(EntryOf(made[9 + i])->Title == titles[i]) << i;
  EXPECT_TRUE(EntryOf(made[0])->Flashing);
  EXPECT_TRUE(EntryOf(made[6])->Flashing);
  EXPECT_TRUE(EntryOf(made[7])->Flashing);
  EXPECT_FALSE(EntryOf(made[4])->Flashing);
}

TEST_F(EnumerationTest, ModalDialogStandsForItsDisabledOwnerOnlyWithDialogStyleBits) {
  const struct { DWORD exStyle; bool listed; } cases[] = {
      {0, false},          {WS_EX_DLGMODALFRAME, true}, {WS_EX_CONTROLPARENT, true},
      {WS_EX_STATICEDGE, true}, {WS_EX_APPWINDOW, true}, {WS_EX_LAYERED, true},
      {WS_EX_TOPMOST, false},   {WS_EX_CLIENTEDGE, false},
  };
  std::vector<std::string> requests;
  for (const auto& c : cases) {
    char owner[32], dialog[64];
    std::snprintf(owner, sizeof owner, "d|0|-1|Owner %lx", c.exStyle);
    std::snprintf(dialog, sizeof dialog, "ta|%lx|%zu|Dialog %lx", c.exStyle, requests.size(),
                  c.exStyle);
    requests.push_back(owner);
    requests.push_back(dialog);
  }
  ASSERT_TRUE(Make(requests));
  s->Refresh();
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE(testing::Message() << "extended style 0x" << std::hex << cases[i].exStyle);
    EXPECT_EQ(EntryOf(made[2 * i]), nullptr);
    EXPECT_EQ(EntryOf(made[2 * i + 1]) != nullptr, cases[i].listed);
  }
}

TEST_F(EnumerationTest, SelectsTheFormerForegroundWindowOrItsOwnerOrElseTheFirstEntry) {
  // The windows made, the one then in the foreground, and the one to be selected (-1: the
  // first entry). A raised window lies above the foreground one, so that the fallback to
  // the first entry would not select it too.
  const struct { std::vector<std::string> windows; int foreground, selected; } cases[] = {
      {{"|0|-1|First", "a|0|-1|Second", "r|0|-1|Third"}, 1, 1},
      {{"r|0|-1|Other", "|0|-1|Owner", "ta|80|1|Palette"}, 2, 1},  // a tool window
      {{"|0|-1|Listed", "r|0|-1|Also listed", "a|80|-1|Floating tool"}, 2, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.windows[c.foreground]);
    ASSERT_TRUE(Make(c.windows));
    ASSERT_EQ(GetForegroundWindow(), made[c.foreground]);
    s->Refresh();
    ASSERT_FALSE(s->Entries.empty());
    HWND expected = c.selected < 0 ? s->Entries[0]->Handle : made[c.selected];
    EXPECT_TRUE(c.selected < 0 || s->Entries[0]->Handle != expected) << "not only the first";
    EXPECT_EQ(SelectedWindow(), expected);
  }
}

TEST_F(EnumerationTest, KeepsTheSystemZOrderUnlessSortingIsOn) {
  // The last one made lies on top.
  ASSERT_TRUE(Make({"|0|-1|b", "|0|-1|B", "|0|-1|a", "|0|-1|Zebra", "|0|-1|\\u00C9clair",
                    "|0|-1|eclair"}));
  std::vector<HWND> zOrder;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
    if (Among(made, w)) zOrder.push_back(w);
  ASSERT_EQ(zOrder, std::vector<HWND>(made.rbegin(), made.rend()));
  s->Refresh();
  EXPECT_EQ(Listed(), zOrder);

  ASSERT_TRUE(MakeForeground(made[0]));
  s->SortAlphabetically = true;
  s->Refresh();
  // Case aside, and the accent after the plain letter; b and B are equal and keep their
  // order in the Z-order, where the activated b now lies on top.
  EXPECT_EQ(Listed(), (std::vector<HWND>{made[2], made[0], made[1], made[5], made[4], made[3]}));
  EXPECT_EQ(SelectedWindow(), made[0]) << "the selection and the numbers move with the entries";
}

// Cases whose order is the same in every language that writes with these letters.
TEST(CompareTitles, OrdersAsAPersonExpectsIgnoringCase) {
  const struct { const wchar_t* a; const wchar_t* b; int sign; } cases[] = {
      {L"apple", L"Zebra", -1}, {L"Zebra", L"apple", 1},       {L"b", L"B", 0},
      {L"", L"a", -1},          {L"ab", L"a", 1},              {L"eclair", L"\u00C9clair", -1},
      {L"\u00C9clair", L"Zebra", -1}, {L"\u00E9cole", L"ecrire", -1},
  };
  for (const auto& c : cases) {
    Row a(c.a), b(c.b);
    const int order = CompareTitles(&a, &b);
    EXPECT_EQ((order > 0) - (order < 0), c.sign) << &c - cases;
  }
}

// Answers DWMWA_CLOAKED with the value in its first byte; E_NOTIMPL (as Wine 8 does) after
// writing a cloaked value when that byte is 0xFF.
template <int Answer>
HRESULT WINAPI FakeQuery(HWND, DWORD attribute, void* value, DWORD size) {
  if (attribute != 14 || size != sizeof(DWORD)) return E_INVALIDARG;
  *static_cast<DWORD*>(value) = Answer == 0xFF ? 1 : Answer;
  return Answer == 0xFF ? E_NOTIMPL : S_OK;
}

TEST(ReadCloak, OnlyASuccessfulNonZeroAnswerCloaks) {
  EXPECT_EQ(ReadCloak(FakeQuery<2>, GetDesktopWindow()), 2u);
  EXPECT_EQ(ReadCloak(FakeQuery<0>, GetDesktopWindow()), 0u);
  EXPECT_EQ(ReadCloak(FakeQuery<0xFF>, GetDesktopWindow()), 0u);
  EXPECT_EQ(ReadCloak(nullptr, GetDesktopWindow()), 0u);
}

std::vector<HWND> CloakedWindows;
DWORD FakeCloak(HWND window) { return Among(CloakedWindows, window) ? 1 : 0; }

TEST_F(EnumerationTest, LeavesOutCloakedWindowsAndStoreAppContent) {
  ASSERT_TRUE(Make({"|0|-1|Shown", "|0|-1|On another desktop", "|0|-1|Also shown",
                    "|0|-1|Suspended", "c|0|-1|Store app content"}));
  // With the real query none of them is cloaked (Wine 8 answers E_NOTIMPL).
  s->Refresh();
  EXPECT_EQ(Sorted(Listed()), Sorted({made[0], made[1], made[2], made[3]}));

  CloakedWindows = {made[1], made[3]};
  QueryCloak = FakeCloak;
  s->Refresh();
  QueryCloak = DwmCloakState;
  EXPECT_EQ(Sorted(Listed()), Sorted({made[0], made[2]}));
}

TEST_F(EnumerationTest, EveryRefreshShowsTheSwitcherInFrontAndFreesTheOldList) {
  ASSERT_TRUE(Make({"|0|-1|One", "|0|-1|Two", "t|0|1|Owned by two", "|0|-1|Three"}));
  HWND form = s->Form->Handle;
  auto shownInFront = [&] {
    return (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && IsWindowVisible(form) &&
           GetForegroundWindow() == form && !Among(Listed(), form);
  };
  s->Refresh();
  ASSERT_TRUE(shownInFront());
  // Sized for the real list: one column of 32-pixel rows and margins, at least 100 high.
  int rows = 0;
  for (TFlipDeckEntry* e : s->Entries) rows += e->RowHeight;
  EXPECT_EQ(s->Form->Height(), std::max(100, rows + 8));
  RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(100);

  // A visible switcher whose style something else took away must not list itself.
  const size_t entries = s->Entries.size();
  long blocks = 0;
  auto cycle = [&](int round) {
    if (round == 3) blocks = LiveBlocks;
    SetWindowLongA(form, GWL_EXSTYLE, GetWindowLongA(form, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW);
    ASSERT_TRUE(IsWindowVisible(form) && MakeForeground(made[0]));
    s->Refresh();
    ASSERT_TRUE(shownInFront()) << "refresh " << round;
    EXPECT_EQ(s->Entries.size(), entries);
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 30));
  EXPECT_EQ(LiveBlocks, blocks);
}

}  // namespace
