// Which windows the switcher lists, in which order, which one selected and marked, and what
// a Refresh leaves behind: real windows of another process, made by windowfarm.
#include <algorithm>
#include <string>
#include <vector>

#include "cloaking.h"
#include "farm.h"
#include "heapwatch.h"
#include "leaks.h"
#include "switcher_fixture.h"
#include "wait.h"

namespace {

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
  TFlipDeckEntry* EntryOf(HWND w) {
    for (TFlipDeckEntry* e : s->Entries)
      if (e->Handle == w) return e;
    return nullptr;
  }
  // The farm's listed windows, in list order.
  std::vector<HWND> Listed(const WindowFarm& farm) {
    std::vector<HWND> listed;
    for (TFlipDeckEntry* e : s->Entries)
      if (farm.IndexOf(e->Handle) >= 0) listed.push_back(e->Handle);
    return listed;
  }
  // The one selected entry's window; nullptr unless exactly one is selected and every entry
  // is numbered by its place.
  HWND SelectedWindow() {
    HWND selected = nullptr;
    for (size_t i = 0; i < s->Entries.size(); ++i) {
      if (s->Entries[i]->Number != static_cast<int>(i)) return nullptr;
      if (!s->Entries[i]->Selected) continue;
      if (selected) return nullptr;
      selected = s->Entries[i]->Handle;
    }
    return selected;
  }
};

// Windowfarm arguments "FLAGS|EXSTYLE|OWNER|TITLE" (see windowfarm.cpp), whether the window
// is listed, and whether it is boxed once Plain and Main have asked for attention.
TEST_F(EnumerationTest, ListsAWindowAUserDoesNotSwitchToOrMissesOneOrItsTitleOrItsMark) {
  struct Kind {
    std::string arguments;
    bool listed, flashing;
  };
  std::vector<Kind> kinds = {
      {"|0|-1|Plain", true, true},
      {"h|0|-1|Hidden", false, false},
      {"d|0|-1|Disabled", false, false},
      {"|80|-1|Tool", false, false},
      {"|0|-1|", true, false},
      {"|0|-1|Main", false, true},  // 5: its active popup stands for it
      {"ta|1|5|Popup", true, true},
      {"t|0|5|Other owned", true, true},  // owned, but not the active popup
      {"|0|-1|" + std::string(1100, 'x'), true, false},
      {"|0|-1|\\u0417\\u0430\\u043C\\u0435\\u0442\\u043A\\u0438 \\u03A9\\u03BC", true, false},
      {"|0|-1|\\u4E2D\\u6587\\u6807\\u9898 \\u65E5\\u672C\\u8A9E\\u306E", true, false},
      {"|0|-1|Smile \\uD83D\\uDE00 please", true, false},  // a surrogate pair
      {"|0|-1|Inbox\\u200B(3) Cafe\\u0301", true, false},   // zero-width space, combining mark
      {"c|0|-1|Store app content", false, false},
      {"|0|-1|On another desktop", true, false},  // 14: cloaked when asked
  };
  // A disabled owner and its activated dialog for each extended style: the dialog is listed
  // only with the styles of a dialog or an application window.
  const struct { const char* exStyle; bool listed; } dialogs[] = {
      {"0", false}, {"1", true},      {"10000", true}, {"20000", true},
      {"40000", true}, {"80000", true}, {"8", false},   {"200", false}};
  for (const auto& d : dialogs) {
    kinds.push_back({std::string("d|") + d.exStyle + "|-1|Owner", false, false});
    kinds.push_back({"ta|" + std::string(d.exStyle) + "|" + std::to_string(kinds.size() - 1) +
                         "|Dialog",
                     d.listed, false});
  }
  // Activated last: a tool palette, whose owner is selected in its place.
  kinds.push_back({"ta|80|0|Palette", false, false});
  std::vector<std::string> windows;
  for (const Kind& k : kinds) windows.push_back(k.arguments);
  WindowFarm farm;
  ASSERT_TRUE(farm.Open(0, "", windows));
  ASSERT_EQ(GetForegroundWindow(), farm.Windows().back());
  // A window that flashed and was destroyed since: a new window may get its handle value.
  HWND gone = CreateWindowA("STATIC", "Gone", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0);
  ASSERT_TRUE(DestroyWindow(gone));
  for (HWND w : {farm[0], gone, farm[5]}) s->FlashingWindows.Mark(w);
  Cloaked = farm[14];
  // With the real query nothing is cloaked (Wine 8 answers E_NOTIMPL).
  for (auto query : {FakeCloak, DwmCloakState}) {
    QueryCloak = query;
    s->Refresh();
    QueryCloak = DwmCloakState;
    EXPECT_FALSE(s->FlashingWindows.IsFlashing(gone));
    EXPECT_TRUE(query != FakeCloak || SelectedWindow() == farm[0]) << "not the palette's owner";
    for (size_t i = 0; i < kinds.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "window " << i << (query == FakeCloak ? " cloaking" : ""));
      TFlipDeckEntry* entry = EntryOf(farm[i]);
      ASSERT_EQ(entry != nullptr, kinds[i].listed && !(query == FakeCloak && i == 14));
      if (!entry) continue;
      wchar_t title[2000] = L"";
      GetWindowTextW(farm[i], title, 2000);
      EXPECT_TRUE(entry->Title == std::wstring(title).substr(0, 1023));
      EXPECT_EQ(entry->Flashing, kinds[i].flashing);
    }
  }

  // Every Refresh shows the switcher in front, not listed even when something took its
  // style away, and frees the entries of windows gone since the last one.
  HWND form = s->Form->Handle;
  const size_t entries = s->Entries.size() + 1;
  long blocks = 0;
  auto cycle = [&](int round) {
    if (round == 3) blocks = LiveBlocks;
    HWND passing = CreateWindowA("STATIC", "Passing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 50, 50, 0, 0, 0, 0);
    SetWindowLongA(form, GWL_EXSTYLE, GetWindowLongA(form, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW);
    // Asked again while waiting: under Wine the X server may drop a request.
    ASSERT_TRUE(WaitUntil(
        [&] { return SetForegroundWindow(farm[4]) && GetForegroundWindow() == farm[4]; }, 3000));
    s->Refresh();
    DestroyWindow(passing);
    ASSERT_TRUE((GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
                IsWindowVisible(form) && GetForegroundWindow() == form && !EntryOf(form))
        << "refresh " << round;
    EXPECT_EQ(s->Entries.size(), entries);
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 30));
  EXPECT_EQ(LiveBlocks, blocks);
}

// In the Z-order, the first entry selected when the foreground window is not listed; sorted
// by title as a person expects in every language that writes with these letters (case
// aside, accents after the letters), the former foreground window selected.
TEST_F(EnumerationTest, ListsOutOfZOrderOrSortsWronglyOrSelectsAnotherThanTheFormerForeground) {
  WindowFarm made;
  ASSERT_TRUE(made.Open(0, "", {"|0|-1|b", "|0|-1|B", "|0|-1|a", "|0|-1|Zebra",
                                "|0|-1|eclair", "|0|-1|\\u00C9clair", "|0|-1|", "|0|-1|ab",
                                "|0|-1|\\u00E9cole", "|0|-1|ecrire", "a|80|-1|Floating tool"}));
  ASSERT_EQ(GetForegroundWindow(), made[10]);
  s->Refresh();
  // Each window made lies above the ones before.
  EXPECT_EQ(Listed(made), std::vector<HWND>(made.Windows().rbegin() + 1, made.Windows().rend()));
  EXPECT_EQ(SelectedWindow(), s->Entries[0]->Handle);

  ASSERT_TRUE(MakeForeground(made[1]));
  s->SortAlphabetically = true;
  s->Refresh();
  // b and B are equal and keep their order in the Z-order, where the activated B lies on top.
  const int sorted[] = {6, 2, 7, 1, 0, 4, 5, 8, 9, 3};
  std::vector<HWND> expected;
  for (int i : sorted) expected.push_back(made[i]);
  EXPECT_EQ(Listed(made), expected);
  EXPECT_EQ(SelectedWindow(), made[1]) << "the selection and the numbers move with the entries";
}

// Answers DWMWA_CLOAKED with the value Answer; with E_NOTIMPL (as Wine 8 does) after writing
// a cloaked value when Answer is -1.
template <int Answer>
HRESULT WINAPI FakeQuery(HWND, DWORD attribute, void* value, DWORD size) {
  if (attribute != 14 || size != sizeof(DWORD)) return E_INVALIDARG;
  *static_cast<DWORD*>(value) = Answer < 0 ? 1 : Answer;
  return Answer < 0 ? E_NOTIMPL : S_OK;
}

TEST(ReadCloak, CloaksOnAFailedOrZeroAnswer) {
  for (auto c : {std::make_pair(FakeQuery<2>, 2u), {FakeQuery<0>, 0u}, {FakeQuery<-1>, 0u},
                 {nullptr, 0u}})
    EXPECT_EQ(ReadCloak(c.first, GetDesktopWindow()), c.second);
}

}  // namespace
