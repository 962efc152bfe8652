// The real FlipDeck.exe driven by keys, the wheel and clicks while it switches between
// windows of another process: which window ends up in the foreground, when the switcher
// hides, the boxes of windows that asked for attention, and windows closed from the list.
//
// Alt is held through the X server (it must stay held when the switcher takes the
// foreground), and so are the keys pressed while the list is shown: one channel keeps
// them in order with the final Alt release.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "farm.h"
#include "switcher.h"
#include "wait.h"
#include "xkeys.h"

namespace {

// Farm windows and a FlipDeck.exe shared by the tests of a suite. Every test starts with
// the windows stacked in index order, window 0 in the foreground and the switcher hidden;
// they are the only windows the switcher lists, so list position = window index.
template <int Count, DWORD Dpi = 96>
class Desk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    targets = new WindowFarm;
    flipDeck = new FlipDeck;
    ReleaseAlt();  // a suite before may have failed with Alt held
    if (!targets->Open(Count)) return;
    // Wine reads its DPI when a program starts: only FlipDeck.exe starts at this one.
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    const auto set = [key](DWORD dpi) {
      RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), sizeof dpi);
    };
    DWORD old = 96, size = sizeof old;
    const bool had = RegGetValueA(key, nullptr, "LogPixels", RRF_RT_REG_DWORD, nullptr, &old,
                                  &size) == ERROR_SUCCESS;
    set(Dpi);
    *flipDeck = StartFlipDeck();
    if (had)
      set(old);
    else
      RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
  }

  static void TearDownTestSuite() {
    delete flipDeck;
    delete targets;
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
    if (altHeld && ReleaseAlt()) WaitHidden(Form(), 2000);
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

  // Waits until the switcher has hidden and another window has the foreground (right
  // after the hide there can be none for a moment); that window's index, -1 for none.
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

  // Whether row `index` shows these colours where an entry box has its top and left
  // edges and its bottom edge, clear of label, icon and title; sizes scale with the DPI.
  static bool RowEdgesAre(int index, COLORREF topAndLeft, COLORREF bottom) {
    const auto scaled = [](int pixels) { return MulDiv(pixels, Dpi, 96); };
    RECT bounds = {};
    GetWindowRect(Form(), &bounds);
    const int top = bounds.top + scaled(kFirstRowTop) + index * scaled(kRowHeight);
    const int left = bounds.left + scaled(kColumnLeft) + scaled(20) - 2;
    return ScreenPixel(left, top + scaled(kBoxHeight) / 2) == topAndLeft &&
           ScreenPixel(left + 12, top) == topAndLeft &&
           ScreenPixel(left + 12, top + scaled(kBoxHeight)) == bottom;
  }
  static bool IsSelected(int row) { return RowEdgesAre(row, kShadow, kHighlight); }

  static inline WindowFarm* targets = nullptr;
  static inline FlipDeck* flipDeck = nullptr;
  bool altHeld = false;
};

using FiveWindows = Desk<5>;

// One way of moving the selection or choosing a window while the list is shown, from the
// selection on window 1 after Alt+Tab (on window 4 after Alt+Shift+Tab).
enum class Act { Keys, VirtualKey, Wheel, Click, ClickAt };

struct InputCase {
  const char* name;
  Act act;
  // Keys: X key names; VirtualKey: the key sent through SendInput (X has no keypad digits
  // without Num Lock); Wheel: one message per distance, 120 a notch, negative towards the
  // user; Click: button (1 left, 2 right), row, pixel line within the row's pitch;
  // ClickAt: a screen point.
  const char* keys;
  std::vector<int> values;
  int activated;
  // Whether the switch ends with Alt still held, or only when Alt is released.
  bool endsAtOnce = false;
  bool shift = false;
};

class WhileShown : public FiveWindows, public ::testing::WithParamInterface<InputCase> {};

TEST_P(WhileShown, TheChosenWindowIsNotTheOneActivated) {
  const InputCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(c.shift));
  const auto act = [&c] {
    const POINT at = {c.values.empty() ? 0 : c.values[0], c.values.size() < 2 ? 0 : c.values[1]};
    switch (c.act) {
      case Act::Keys: return !*c.keys || Xdotool(std::string("key ") + c.keys);
      case Act::VirtualKey: return TapKey(static_cast<WORD>(c.values[0]));
      case Act::Click: return Click(RowPoint(Form(), c.values[1], c.values[2]), c.values[0]);
      // Only the target window may be under the point.
      case Act::ClickAt: return GetAncestor(WindowFromPoint(at), GA_ROOT) == Target(c.activated) && Click(at);
      case Act::Wheel: break;
    }
    RECT bounds = {};
    GetWindowRect(Form(), &bounds);
    for (int distance : c.values)
      if (!TurnWheel({(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2}, distance))
        return false;
    return true;
  };
  ASSERT_TRUE(act());
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
        InputCase{"RightClickLowInTheRow", Act::Click, "", {2, 3, 30}, 3, true},
        // Right of window 1 and above the list: only window 2 is there.
        InputCase{"ClickOnAnotherWindow", Act::ClickAt, "", {258, 128}, 2, true}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return info.param.name; });

TEST_F(FiveWindows, AQuickAltTabDoesNotSwitch) {
  // Alt released before the switcher could paint: all four key events at once through
  // SendInput, whose Alt the switcher reads as released.
  ASSERT_TRUE(SendKeys({{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}}));
  EXPECT_TRUE(WaitUntil([] { return GetForegroundWindow() != Target(0); }, 5000));
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

TEST_P(Attention, TheBoxOfAWindowThatAskedIsWrong) {
  const AttentionCase& c = GetParam();
  const auto post = [](WPARAM code, HWND window) {
    return PostMessageA(Form(), RegisterWindowMessageA("SHELLHOOK"), code,
                        reinterpret_cast<LPARAM>(window));
  };
  for (int index : c.flashes) ASSERT_TRUE(post(HSHELL_FLASH, Target(index)));
  HWND noticed = Target(c.noticed);
  if (c.noticeNamesPopup)
    noticed = reinterpret_cast<HWND>(
        targets->Command(kFarmOwnedPopup, reinterpret_cast<WPARAM>(noticed)));
  ASSERT_TRUE(!c.notice || post(c.notice, noticed));
  if (c.switchKeys) {
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
    ASSERT_NO_FATAL_FAILURE(Keys(c.switchKeys));
    ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
    ASSERT_TRUE(WaitHidden(Form()));
    ASSERT_TRUE(targets->Restack());
  }
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(WaitUntil([] { return IsSelected(1); }, 2000)) << "no selection painted";
  const int rows[] = {0, 2, 3, 4};
  for (int i = 0; i < 4; ++i) {
    const bool boxed = c.boxed[i];
    EXPECT_TRUE(RowEdgesAre(rows[i], boxed ? kShadow : kBackground,
                            boxed ? kHighlight : kBackground))
        << "row " << rows[i] << (boxed ? " is not boxed" : " is boxed");
  }
  // The next case starts without marks.
  for (int index = 0; index < 5; ++index) post(HSHELL_WINDOWACTIVATED, Target(index));
  if (c.noticeNamesPopup) PostMessageA(noticed, WM_CLOSE, 0, 0);
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

// Windows of other processes below the targets: one closes while the list is shown, one
// hangs through a whole switch.
TEST_F(FiveWindows, AClosingOrHungWindowStopsTheSwitcher) {
  WindowFarm doomed, hung;
  ASSERT_TRUE(doomed.Open(1, "Doomed"));
  ASSERT_TRUE(targets->Restack());
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(true));  // selects the last: the doomed window
  ASSERT_TRUE(PostMessageA(doomed[0], WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(doomed[0]); }, 5000));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_TRUE(WaitHidden(Form()));
  PumpFor(300);
  ASSERT_TRUE(flipDeck->program.IsRunning());

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

// Started at 144 DPI, FlipDeck draws every size half as large again: 48-pixel rows below
// a margin of 6, boxes 30 pixels high.
using FiveWindowsAt144Dpi = Desk<5, 144>;

TEST_F(FiveWindowsAt144Dpi, TheListIsNotDrawnAtTheScreensScale) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(WaitUntil([] { return IsSelected(1); }, 2000)) << "no selection painted";
  for (int row : {0, 2, 4}) EXPECT_TRUE(RowEdgesAre(row, kBackground, kBackground));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  EXPECT_EQ(6 + 5 * 48 + 6, bounds.bottom - bounds.top);
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

// More entries than the digits label: letters from the eleventh, F-keys from the
// thirty-seventh to the forty-eighth, in three columns of 18, 18 and 12 rows.
using FortyEightWindows = Desk<48>;

TEST_F(FortyEightWindows, ALabelKeyAtTheEdgeOfItsRangeActivatesAnotherEntry) {
  for (const auto& key : {std::make_pair("9", 9), std::make_pair("a", 10),
                          std::make_pair("z", 35), std::make_pair("F1", 36),
                          std::make_pair("F12", 47)}) {
    SCOPED_TRACE(key.first);
    ASSERT_TRUE(targets->Restack());
    ASSERT_TRUE(WaitHidden(Form()));
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
    ASSERT_NO_FATAL_FAILURE(Keys(key.first));
    EXPECT_EQ(key.second, ForegroundAfterHiding());
    ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  }
}

TEST_F(FortyEightWindows, ClosingFromTheListClosesTheWrongWindowOrLosesTheSelection) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  // The columns are as wide as "Target 1x" (digits are all as wide), between margins of
  // 10 and the watermark's 18 pixels.
  const int pitch = (bounds.right - bounds.left - 4 * 10 - 18) / 3 + 10;
  // Whether row `index` of column `column` (from 0) shows a key label: a row that is listed.
  const auto listed = [&](int column, int index) {
    const int top = bounds.top + kFirstRowTop + index * kRowHeight;
    const int left = bounds.left + kColumnLeft + column * pitch;
    for (int y = top + 2; y < top + 16; ++y)
      for (int x = left; x < left + 12; ++x)
        if (ScreenPixel(x, y) != kBackground) return true;
    return false;
  };
  ASSERT_TRUE(WaitUntil([&] { return listed(2, 11) && IsSelected(1); }, 2000));

  // A middle click on the second column's second row closes window 19 alone.
  POINT row = RowPoint(Form(), 1);
  row.x += pitch;
  ASSERT_TRUE(Click(row, 3));
  ParkPointer();  // away from the list, which the refresh hides and shows again
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(Target(19)); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !listed(2, 11) && listed(2, 10); }, 5000));
  EXPECT_EQ(0, CloseRequests(Target(18)));
  EXPECT_TRUE(IsSelected(1));

  // Delete closes the selected window 1, and the next row takes its place in the selection.
  ASSERT_NO_FATAL_FAILURE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(Target(1)); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !listed(2, 10) && IsSelected(1); }, 5000));
  EXPECT_FALSE(IsSelected(0));
  EXPECT_TRUE(IsShown(Form()));

  // A window that ignores the request stays listed and selected.
  ASSERT_TRUE(PostMessageA(Target(2), kFarmIgnoreClose, 0, 0));
  ASSERT_NO_FATAL_FAILURE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return CloseRequests(Target(2)) == 1; }, 5000));
  PumpFor(500);
  EXPECT_TRUE(IsShown(Form()));
  EXPECT_TRUE(listed(2, 9));
  EXPECT_TRUE(IsSelected(1));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(2, ForegroundAfterHiding());
}

}  // namespace
