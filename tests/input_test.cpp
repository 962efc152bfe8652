// The real FlipDeck.exe driven by keys, the wheel and clicks while it switches between
// windows of another process: which window ends up in the foreground, when the switcher
// hides, and the boxes of windows that asked for attention.
//
// Alt is held through the X server (it must stay held when the switcher takes the
// foreground), and so are the keys pressed while the list is shown: one channel keeps
// them in order with the final Alt release.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "farm.h"
#include "switcher.h"
#include "wait.h"
#include "xkeys.h"

namespace {

// Wine reads its DPI from this value when a program starts: set only while FlipDeck.exe
// starts, the programs of the other tests start at 96 DPI.
struct LogPixelsForNextStart {
  explicit LogPixelsForNextStart(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof old;
    had = RegGetValueA(key, nullptr, "LogPixels", RRF_RT_REG_DWORD, nullptr, &old, &size) ==
          ERROR_SUCCESS;
    Set(dpi);
  }
  ~LogPixelsForNextStart() {
    if (!key) return;
    if (had)
      Set(old);
    else
      RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
  }
  void Set(DWORD dpi) {
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }
  HKEY key = nullptr;
  DWORD old = 0;
  bool had = false;
};

// Farm windows and a FlipDeck.exe shared by the tests of a suite. Every test starts with
// the windows stacked in index order, window 0 in the foreground and the switcher hidden;
// they are the only windows the switcher lists, so list position = window index.
class Desk : public ::testing::Test {
 protected:
  static void Open(int count, int dpi = 96) {
    targets = new WindowFarm;
    flipDeck = new FlipDeck;
    ReleaseAlt();  // a suite before may have failed with Alt held
    if (!targets->Open(count)) return;
    LogPixelsForNextStart scale(static_cast<DWORD>(dpi));
    *flipDeck = StartFlipDeck();
  }

  static void TearDownTestSuite() {
    delete flipDeck;
    flipDeck = nullptr;
    delete targets;
    targets = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(nullptr, Form()) << "FlipDeck did not start";
    ASSERT_TRUE(flipDeck->program.IsRunning());
    ASSERT_TRUE(targets->Restack());
    ASSERT_TRUE(WaitHidden(Form()));
    ParkPointer();
    ASSERT_TRUE(OtherListableWindows({targets->ProcessId(), flipDeck->program.Id()}).empty());
  }

  void TearDown() override {
    if (!altHeld) return;
    ReleaseAlt();
    WaitHidden(Form(), 2000);
  }

  static HWND Form() { return flipDeck->form; }
  static HWND Target(int index) { return (*targets)[index]; }

  void ShowSwitcher(bool shift = false) {
    altHeld = true;
    ASSERT_TRUE(ShowList(Form(), shift));
  }

  // X key names, e.g. "Down Down Up", pressed with Alt still held.
  static void Keys(const std::string& keys) { ASSERT_TRUE(Xdotool("key " + keys)); }

  void LetGoOfAlt() {
    ASSERT_TRUE(ReleaseAlt());
    altHeld = false;
  }

  // Waits until the switcher has hidden and another window has the foreground, and returns
  // that window's index (-1 for none of the targets). Right after the hide the foreground
  // can be no window for a moment, until Wine activates the next one.
  static int ForegroundAfterHiding() {
    EXPECT_TRUE(WaitUntil(
        [] {
          const HWND front = GetForegroundWindow();
          return !IsWindowVisible(Form()) && front && front != Form();
        },
        5000));
    return targets->IndexOf(GetForegroundWindow());
  }

  // The switcher hid with Alt still held and left window `index` in front; releasing Alt
  // changes nothing after that.
  void ExpectEndedOn(int index) {
    EXPECT_EQ(index, ForegroundAfterHiding());
    ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
    PumpFor(200);
    EXPECT_FALSE(IsWindowVisible(Form()));
    EXPECT_EQ(Target(index), GetForegroundWindow());
  }

  static inline WindowFarm* targets = nullptr;
  static inline FlipDeck* flipDeck = nullptr;
  bool altHeld = false;
};

template <int Count, int Dpi = 96>
class Windows : public Desk {
 protected:
  static void SetUpTestSuite() { Open(Count, Dpi); }
};

using FiveWindows = Windows<5>;

// One way of moving the selection or choosing a window while the list is shown, from the
// selection on window 1 after Alt+Tab (on window 4 after Alt+Shift+Tab).
enum class Act { Keys, VirtualKey, Wheel, Click };

struct InputCase {
  const char* name;
  Act act;
  // Keys: X key names; VirtualKey: the key sent through SendInput (X has no keypad digits
  // without Num Lock); Wheel: one message per distance, 120 a notch, negative towards the
  // user; Click: button (1 left, 2 right), row, pixel line within the row's pitch.
  const char* keys;
  std::vector<int> values;
  int activated;
  // Whether the switch ends with Alt still held, or only when Alt is released.
  bool endsAtOnce = false;
  bool shift = false;
};

class WhileShown : public FiveWindows, public ::testing::WithParamInterface<InputCase> {};

TEST_P(WhileShown, TheChosenWindowIsActivated) {
  const InputCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(c.shift));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  const POINT middle = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
  switch (c.act) {
    case Act::Keys:
      if (*c.keys) {
        ASSERT_NO_FATAL_FAILURE(Keys(c.keys));
      }
      break;
    case Act::VirtualKey:
      ASSERT_TRUE(TapKey(static_cast<WORD>(c.values[0])));
      break;
    case Act::Wheel:
      for (int distance : c.values) ASSERT_TRUE(TurnWheel(middle, distance));
      break;
    case Act::Click:
      ASSERT_TRUE(Click(RowPoint(Form(), c.values[1], c.values[2]), c.values[0]));
      break;
  }
  if (c.endsAtOnce) return ExpectEndedOn(c.activated);
  PumpFor(200);
  EXPECT_TRUE(IsShown(Form())) << "hid before Alt was released";
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(c.activated, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(
    Input, WhileShown,
    ::testing::Values(
        InputCase{"AltTab", Act::Keys, "", {}, 1},
        InputCase{"SecondTab", Act::Keys, "Tab", {}, 2},
        InputCase{"AltShiftTab", Act::Keys, "", {}, 4, false, true},
        InputCase{"DownDownUp", Act::Keys, "Down Down Up", {}, 2},
        InputCase{"UpWrapsBack", Act::Keys, "Up Up", {}, 4},
        InputCase{"DownWrapsForward", Act::Keys, "Down", {}, 0, false, true},
        InputCase{"Right", Act::Keys, "Right", {}, 4},
        InputCase{"RightRight", Act::Keys, "Right Right", {}, 2},
        InputCase{"Left", Act::Keys, "Left", {}, 3},
        InputCase{"LabelWithoutEntry", Act::Keys, "5", {}, 1},
        InputCase{"LabelKey", Act::Keys, "3", {}, 3, true},
        InputCase{"KeypadLabel", Act::VirtualKey, "", {VK_NUMPAD2}, 2, true},
        InputCase{"Enter", Act::Keys, "Down Return", {}, 2, true},
        InputCase{"EscapeDoesNotSwitch", Act::Keys, "Escape", {}, 0, true},
        InputCase{"WheelAwayStepsBack", Act::Wheel, "", {120}, 0},
        InputCase{"WheelTowardsStepsForward", Act::Wheel, "", {-240}, 3},
        InputCase{"HalfANotchDoesNothing", Act::Wheel, "", {60}, 1},
        InputCase{"PartsAddUp", Act::Wheel, "", {40, 40, 40}, 0},
        InputCase{"PartsTowardsAddUp", Act::Wheel, "", {-30, -30, -30, -30}, 2},
        InputCase{"RemainderIsKept", Act::Wheel, "", {250}, 4},
        InputCase{"ExactAfterParts", Act::Wheel, "", {100, 10, 10}, 0},
        InputCase{"LeftClick", Act::Click, "", {1, 3, 16}, 3, true},
        InputCase{"RightClick", Act::Click, "", {2, 4, 16}, 4, true},
        InputCase{"ClickOnFirstLine", Act::Click, "", {1, 0, 0}, 0, true},
        InputCase{"ClickBelowTheBox", Act::Click, "", {1, 1, 28}, 1, true},
        InputCase{"ClickOnLastLine", Act::Click, "", {1, 1, 31}, 1, true},
        InputCase{"RightClickLowInTheRow", Act::Click, "", {2, 3, 30}, 3, true}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return info.param.name; });

TEST_F(FiveWindows, AQuickAltTabStillSwitches) {
  // Alt released before the switcher could paint: all four key events at once through
  // SendInput, whose Alt the switcher reads as released.
  ASSERT_TRUE(SendKeys({{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}}));
  // Never shown for long enough to wait for: wait for the switch instead.
  EXPECT_TRUE(WaitUntil([] { return GetForegroundWindow() != Target(0); }, 5000));
  EXPECT_EQ(1, ForegroundAfterHiding());
}

TEST_F(FiveWindows, ClickingAnotherWindowHidesTheList) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  // Right of window 1 and above the list: only window 2 is there.
  const POINT outside = {258, 128};
  ASSERT_EQ(Target(2), GetAncestor(WindowFromPoint(outside), GA_ROOT));
  ASSERT_TRUE(Click(outside));
  ExpectEndedOn(2);
}

// Whether row `index` shows these colours where an entry box has its top and left edges
// and its bottom edge, clear of key label, icon and title; every size scales with the DPI.
bool RowEdgesAre(HWND form, int index, COLORREF topAndLeft, COLORREF bottom, int dpi = 96) {
  const auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  RECT bounds = {};
  GetWindowRect(form, &bounds);
  const int top = bounds.top + scaled(kFirstRowTop) + index * scaled(kRowHeight);
  const int left = bounds.left + scaled(kColumnLeft) + scaled(20) - 2;
  const int boxHeight = scaled(kBoxHeight);
  return ScreenPixel(left, top + boxHeight / 2) == topAndLeft &&
         ScreenPixel(left + 12, top) == topAndLeft &&
         ScreenPixel(left + 12, top + boxHeight) == bottom;
}

using FiveWindowsAt144Dpi = Windows<5, 144>;

// Started at 144 DPI, FlipDeck draws every size half as large again: 48-pixel rows below
// a margin of 6, boxes 30 pixels high.
TEST_F(FiveWindowsAt144Dpi, TheListIsDrawnAtTheScreensScale) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(WaitUntil([] { return RowEdgesAre(Form(), 1, kShadow, kHighlight, 144); }, 2000))
      << "no selection painted";
  for (int row : {0, 2, 4}) EXPECT_TRUE(RowEdgesAre(Form(), row, kBackground, kBackground, 144));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  EXPECT_EQ(6 + 5 * 48 + 6, bounds.bottom - bounds.top);
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

// Windows that asked for attention (the shell's flash notice) and what clears the mark
// before the list is shown: the shell's notices of an activation, naming the window or a
// popup it owns, or a switch to the window through the list.
struct AttentionCase {
  const char* name;
  std::vector<int> flashes;
  WPARAM notice;           // 0: none
  int noticed;             // the window the notice names
  bool noticeNamesPopup;   // names a popup owned by that window instead
  const char* switchKeys;  // pressed in an earlier list, or nullptr
  std::vector<bool> boxed;  // rows 0, 2, 3, 4; row 1 is the selection, boxed anyway
};

class Attention : public FiveWindows, public ::testing::WithParamInterface<AttentionCase> {};

TEST_P(Attention, WindowsThatAskedAreBoxedUntilActivated) {
  const AttentionCase& c = GetParam();
  const UINT shellHook = RegisterWindowMessageA("SHELLHOOK");
  const auto post = [&](WPARAM code, HWND window) {
    return PostMessageA(Form(), shellHook, code, reinterpret_cast<LPARAM>(window));
  };
  for (int index : c.flashes) {
    ASSERT_TRUE(post(HSHELL_FLASH, Target(index)));
  }
  HWND noticed = Target(c.noticed);
  if (c.noticeNamesPopup)
    noticed = reinterpret_cast<HWND>(targets->Command(kFarmOwnedPopup,
                                                      reinterpret_cast<WPARAM>(noticed)));
  if (c.notice) {
    ASSERT_TRUE(post(c.notice, noticed));
  }
  if (c.switchKeys) {
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
    ASSERT_NO_FATAL_FAILURE(Keys(c.switchKeys));
    ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
    ASSERT_TRUE(WaitHidden(Form()));
    ASSERT_TRUE(targets->Restack());
  }
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(WaitUntil([] { return RowEdgesAre(Form(), 1, kShadow, kHighlight); }, 2000))
      << "no selection painted";
  const int rows[] = {0, 2, 3, 4};
  for (int i = 0; i < 4; ++i) {
    const bool boxed = c.boxed[i];
    EXPECT_TRUE(RowEdgesAre(Form(), rows[i], boxed ? kShadow : kBackground,
                            boxed ? kHighlight : kBackground))
        << "row " << rows[i] << (boxed ? " is not boxed" : " is boxed");
  }
  // The next case starts without marks.
  for (int index = 0; index < 5; ++index) post(HSHELL_WINDOWACTIVATED, Target(index));
  if (noticed != Target(c.noticed)) PostMessageA(noticed, WM_CLOSE, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Notices, Attention,
    ::testing::Values(
        AttentionCase{"FlashingTwiceIsListedOnce", {4, 4, 4, 3}, 0, 0, false, nullptr,
                      {false, false, true, true}},
        AttentionCase{"ActivatedClearsOneWindow", {4, 4, 4, 3}, HSHELL_WINDOWACTIVATED, 4,
                      false, nullptr, {false, false, true, false}},
        AttentionCase{"RudeAppActivatedClears", {3, 2}, HSHELL_RUDEAPPACTIVATED, 3, false,
                      nullptr, {false, true, false, false}},
        AttentionCase{"ActivatedPopupClearsItsOwner", {2, 4}, HSHELL_WINDOWACTIVATED, 2, true,
                      nullptr, {false, false, false, true}},
        AttentionCase{"SwitchingToItClears", {3, 4}, 0, 0, false, "3",
                      {false, false, false, true}}),
    [](const ::testing::TestParamInfo<AttentionCase>& info) { return info.param.name; });

TEST_F(FiveWindows, ClosingTheSelectedWindowWhileShownLeavesTheSwitcherRunning) {
  // Listed last, below the targets, and selected by Alt+Shift+Tab.
  WindowFarm doomed;
  ASSERT_TRUE(doomed.Open(1, "Doomed"));
  ASSERT_TRUE(targets->Restack());
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(true));
  ASSERT_TRUE(PostMessageA(doomed[0], WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(doomed[0]); }, 5000));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_TRUE(WaitHidden(Form()));
  PumpFor(300);
  EXPECT_TRUE(flipDeck->program.IsRunning());
}

TEST_F(FiveWindows, AHungWindowDoesNotStopSwitchingBetweenTheOthers) {
  // A window of another process, listed below the targets, whose thread sleeps through
  // the whole switch.
  WindowFarm hung;
  ASSERT_TRUE(hung.Open(1, "Hung"));
  ASSERT_TRUE(targets->Restack());
  hung.Hang(8000);
  const auto blocked = [&] {
    return !SendMessageTimeoutA(hung[0], WM_NULL, 0, 0, SMTO_NORMAL, 10, nullptr);
  };
  ASSERT_TRUE(WaitUntil(blocked, 2000));
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_NO_FATAL_FAILURE(Keys("Down"));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(2, ForegroundAfterHiding());
  EXPECT_TRUE(blocked());
}

// Whether row `index` of the column at `left` (from the form's left edge) shows a key
// label: a row that is listed.
bool RowIsPainted(HWND form, int index, int left = kColumnLeft) {
  RECT bounds = {};
  GetWindowRect(form, &bounds);
  const int top = bounds.top + kFirstRowTop + index * kRowHeight;
  for (int y = top + 2; y < top + 16; ++y)
    for (int x = bounds.left + left; x < bounds.left + left + 12; ++x)
      if (ScreenPixel(x, y) != kBackground) return true;
  return false;
}

// Closing windows from the shown list. Each case closes windows, so it gets farm windows
// of its own in place of the suite's.
class CloseFromList : public Desk {
 protected:
  static void SetUpTestSuite() { Open(1); }
  void SetUp() override {}

  void OpenWindows(int count) {
    delete targets;
    targets = new WindowFarm;
    ASSERT_TRUE(targets->Open(count));
    ASSERT_NO_FATAL_FAILURE(Desk::SetUp());
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  }

  static bool IsSelected(int row) { return RowEdgesAre(Form(), row, kShadow, kHighlight); }
};

TEST_F(CloseFromList, DeleteClosesTheSelectedWindowAndTheNextRowTakesItsPlace) {
  ASSERT_NO_FATAL_FAILURE(OpenWindows(3));
  ASSERT_TRUE(WaitUntil([] { return RowIsPainted(Form(), 2) && IsSelected(1); }, 2000));
  ASSERT_NO_FATAL_FAILURE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(Target(1)); }, 5000));
  // Two rows, labelled 0 and 1, the selection still on the second: now window 2.
  EXPECT_TRUE(WaitUntil([] { return !RowIsPainted(Form(), 2) && IsSelected(1); }, 5000));
  EXPECT_FALSE(IsSelected(0));
  EXPECT_TRUE(IsShown(Form()));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(2, ForegroundAfterHiding());
}

TEST_F(CloseFromList, AWindowThatIgnoresTheRequestStaysListed) {
  ASSERT_NO_FATAL_FAILURE(OpenWindows(3));
  ASSERT_TRUE(PostMessageA(Target(1), kFarmIgnoreClose, 0, 0));
  ASSERT_NO_FATAL_FAILURE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return CloseRequests(Target(1)) == 1; }, 5000));
  PumpFor(500);
  EXPECT_TRUE(IsShown(Form()));
  EXPECT_TRUE(RowIsPainted(Form(), 2));
  EXPECT_TRUE(IsSelected(1));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

TEST_F(CloseFromList, MiddleClickClosesTheWindowOfARowInTheSecondColumn) {
  // 18 whole rows fill the first column of the 600-pixel screen: windows 18 and 19 are the
  // second column's two rows.
  ASSERT_NO_FATAL_FAILURE(OpenWindows(20));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  // Both columns are as wide as "Target 1x" (digits are all as wide), between margins of
  // 10 and the watermark's 18 pixels.
  const int columnWidth = (bounds.right - bounds.left - 3 * 10 - 18) / 2;
  const int secondColumn = kColumnLeft + columnWidth + 10;
  ASSERT_TRUE(WaitUntil([&] { return RowIsPainted(Form(), 1, secondColumn); }, 2000));
  POINT row = RowPoint(Form(), 1);
  row.x += secondColumn - kColumnLeft;
  ASSERT_TRUE(Click(row, 3));
  // Away from the list, which the refresh hides and shows again.
  ParkPointer();
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(Target(19)); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !RowIsPainted(Form(), 1, secondColumn); }, 5000));
  EXPECT_TRUE(RowIsPainted(Form(), 0, secondColumn));
  EXPECT_EQ(0, CloseRequests(Target(18)));
  // The selected window stayed listed and stays selected.
  EXPECT_TRUE(IsSelected(1));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

// More entries than the digits label: letters from the eleventh, F-keys from the
// thirty-seventh to the forty-eighth, in three columns; each key at the edges of its
// range activates its own entry.
class LabelKey : public Windows<48>,
                 public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(LabelKey, ActivatesItsEntry) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_NO_FATAL_FAILURE(Keys(GetParam().first));
  EXPECT_EQ(GetParam().second, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(Labels, LabelKey,
                         ::testing::Values(std::make_pair("9", 9), std::make_pair("a", 10),
                                           std::make_pair("z", 35), std::make_pair("F1", 36),
                                           std::make_pair("F12", 47)));

}  // namespace
