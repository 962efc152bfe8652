// Which windows the switcher lists, in which order, with which marks, and what a Refresh
// leaves behind: real windows of another process, made by windowfarm.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cloaking.h"
#include "farm.h"
#include "heapwatch.h"
#include "leaks.h"
#include "switcher_fixture.h"
#include "wait.h"

namespace {

struct Kind {
  const char* flags;  // see windowfarm.cpp
  DWORD exStyle;
  int owner;
  std::wstring title;
  bool listed, flashing;  // flashing after Plain and Main were marked
};

// Rows 0 to 14; then a disabled owner and its activated dialog for each extended style,
// the dialog listed only with the styles of a dialog or an application window.
std::vector<Kind> Kinds() {
  std::vector<Kind> kinds = {
      {"", 0, -1, L"Plain", true, true},
      {"h", 0, -1, L"Hidden", false, false},
      {"d", 0, -1, L"Disabled", false, false},
      {"", WS_EX_TOOLWINDOW, -1, L"Tool", false, false},
      {"", 0, -1, L"", true, false},
      {"", 0, -1, L"Main", false, true},  // 5: its active popup stands for it
      {"ta", WS_EX_DLGMODALFRAME, 5, L"Popup", true, true},
      {"t", 0, 5, L"Other owned", true, true},  // owned, but not the active popup
      {"", 0, -1, std::wstring(1100, L'x'), true, false},
      {"", 0, -1, L"\u0417\u0430\u043C\u0435\u0442\u043A\u0438 \u03A9\u03BC\u03AD\u03B3\u03B1",
       true, false},
      {"", 0, -1, L"\u4E2D\u6587\u6807\u9898 \u65E5\u672C\u8A9E\u306E", true, false},
      {"", 0, -1, L"Smile \U0001F600 please", true, false},  // a surrogate pair
      // A zero-width space and a combining mark.
      {"", 0, -1, L"Inbox\u200B(3) Cafe\u0301", true, false},
      {"c", 0, -1, L"Store app content", false, false},
      {"", 0, -1, L"On another desktop", true, false},  // 14: cloaked when asked
  };
  const struct { DWORD exStyle; bool listed; } dialogs[] = {
      {0, false},          {WS_EX_DLGMODALFRAME, true}, {WS_EX_CONTROLPARENT, true},
      {WS_EX_STATICEDGE, true}, {WS_EX_APPWINDOW, true}, {WS_EX_LAYERED, true},
      {WS_EX_TOPMOST, false},   {WS_EX_CLIENTEDGE, false},
  };
  for (const auto& d : dialogs) {
    const std::wstring style = std::to_wstring(d.exStyle);
    kinds.push_back({"d", d.exStyle, -1, L"Owner " + style, false, false});
    kinds.push_back({"ta", d.exStyle, static_cast<int>(kinds.size()) - 1, L"Dialog " + style,
                     d.listed, false});
  }
  return kinds;
}

// The windowfarm arguments: titles in printable ASCII as they are, other units as \uXXXX.
std::vector<std::string> Specs(const std::vector<Kind>& kinds) {
  std::vector<std::string> specs;
  for (const Kind& k : kinds) {
    char unit[32];
    std::snprintf(unit, sizeof unit, "%s|%lx|%d|", k.flags, k.exStyle, k.owner);
    specs.push_back(unit);
    for (wchar_t c : k.title) {
      std::snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
      const bool plain = c >= 32 && c < 127 && c != '\\';
      specs.back() += plain ? std::string(1, static_cast<char>(c)) : unit;
    }
  }
  return specs;
}

// The foreground moves at once, but the window rises in the Z-order only when its own
// process has handled the activation: wait for both.
bool MakeForeground(HWND w) {
  SetForegroundWindow(w);
  return WaitUntil([&] {
    HWND t = GetTopWindow(nullptr);
    while (t && (!IsWindowVisible(t) || (GetWindowLongW(t, GWL_EXSTYLE) & WS_EX_TOPMOST)))
      t = GetWindow(t, GW_HWNDNEXT);
    return GetForegroundWindow() == w && t == w;
  }, 3000);
}

HWND Cloaked = nullptr;
DWORD FakeCloak(HWND window) { return window == Cloaked; }

class EnumerationTest : public SwitcherTest {
 protected:
  // The farm's listed windows, in list order.
  std::vector<HWND> Listed(const WindowFarm& farm) {
    std::vector<HWND> listed;
    for (TFlipDeckEntry* e : s->Entries)
      if (farm.IndexOf(e->Handle) >= 0) listed.push_back(e->Handle);
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
};

TEST_F(EnumerationTest, ListsOnlyWindowsAUserSwitchesToWithWholeTitlesAndAttentionMarks) {
  const std::vector<Kind> kinds = Kinds();
  WindowFarm farm;
  ASSERT_TRUE(farm.Open(0, "", Specs(kinds)));
  // A window that flashed and was destroyed since: its handle value may come back with a
  // new window, which must not be boxed.
  HWND gone = CreateWindowA("STATIC", "Gone", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0);
  ASSERT_TRUE(DestroyWindow(gone));
  for (HWND w : {farm[0], gone, farm[5]}) s->FlashingWindows.Mark(w);
  Cloaked = farm[14];
  // With the real query nothing is cloaked (Wine 8 answers E_NOTIMPL).
  for (auto query : {DwmCloakState, FakeCloak}) {
    QueryCloak = query;
    s->Refresh();
    QueryCloak = DwmCloakState;
    EXPECT_FALSE(s->FlashingWindows.IsFlashing(gone));
    for (size_t i = 0; i < kinds.size(); ++i) {
      const Kind& k = kinds[i];
      SCOPED_TRACE(testing::Message() << "window " << i << (query == FakeCloak ? " cloaking" : ""));
      TFlipDeckEntry* entry = EntryOf(farm[i]);
      const bool cloaked = query == FakeCloak && farm[i] == Cloaked;
      ASSERT_EQ(entry != nullptr, k.listed && !cloaked);
      if (!entry) continue;
      EXPECT_TRUE(entry->Title == k.title.substr(0, 1023));
      EXPECT_EQ(entry->Flashing, k.flashing);
    }
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
    WindowFarm made;
    ASSERT_TRUE(made.Open(0, "", c.windows));
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
  WindowFarm made;
  ASSERT_TRUE(made.Open(0, "", {"|0|-1|b", "|0|-1|B", "|0|-1|a", "|0|-1|Zebra",
                                "|0|-1|\\u00C9clair", "|0|-1|eclair"}));
  const std::vector<HWND> zOrder(made.Windows().rbegin(), made.Windows().rend());
  ASSERT_EQ(made.InZOrder(), zOrder);
  s->Refresh();
  EXPECT_EQ(Listed(made), zOrder);

  ASSERT_TRUE(MakeForeground(made[0]));
  s->SortAlphabetically = true;
  s->Refresh();
  // Case aside, and the accent after the plain letter; b and B are equal and keep their
  // order in the Z-order, where the activated b now lies on top.
  EXPECT_EQ(Listed(made),
            (std::vector<HWND>{made[2], made[0], made[1], made[5], made[4], made[3]}));
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

TEST_F(EnumerationTest, EveryRefreshShowsTheSwitcherInFrontAndFreesTheOldList) {
  WindowFarm farm;
  ASSERT_TRUE(farm.Open(3));
  HWND form = s->Form->Handle;
  auto shownInFront = [&] {
    return (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && IsWindowVisible(form) &&
           GetForegroundWindow() == form && !EntryOf(form);
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
    ASSERT_TRUE(IsWindowVisible(form) && MakeForeground(farm[0]));
    s->Refresh();
    ASSERT_TRUE(shownInFront()) << "refresh " << round;
    EXPECT_EQ(s->Entries.size(), entries);
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 30));
  EXPECT_EQ(LiveBlocks, blocks);
}

}  // namespace
