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
#include <utility>
#include <vector>

#include "switcher.h"
#include "wait.h"
#include "xkeys.h"

namespace {

// Wine reads its DPI from this value when a program starts: set only while FlipDeck.exe
// starts, the programs of the other tests start at 96 DPI.
class LogPixelsForNextStart {
 public:
  explicit LogPixelsForNextStart(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_),
                            &size) == ERROR_SUCCESS;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }
  ~LogPixelsForNextStart() {
    if (!key_) return;
    if (had_) {
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_),
                     sizeof old_);
    } else {
      RegDeleteValueA(key_, "LogPixels");
    }
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

// Target windows and a FlipDeck.exe shared by the tests of a suite. Every test starts
// with the windows stacked in index order, window 0 in the foreground and the switcher
// hidden; they are the only windows the switcher lists, so list position = window index.
class Desk : public ::testing::Test {
 protected:
  static void Open(int count, int dpi = 96) {
    targets = new TargetWindows;
    flipDeck = new FlipDeck;
    started = false;
    ReleaseAlt();  // a suite before may have failed with Alt held
    if (!targets->Open(count)) return;
    {
      LogPixelsForNextStart scale(static_cast<DWORD>(dpi));
      *flipDeck = StartFlipDeck();
    }
    started = flipDeck->form != nullptr;
  }

  static void TearDownTestSuite() {
    delete flipDeck;
    flipDeck = nullptr;
    delete targets;
    targets = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(started);
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

  static inline TargetWindows* targets = nullptr;
  static inline FlipDeck* flipDeck = nullptr;
  static inline bool started = false;
  bool altHeld = false;
};

template <int Count, int Dpi = 96>
class Windows : public Desk {
 protected:
  static void SetUpTestSuite() { Open(Count, Dpi); }
};

using FiveWindows = Windows<5>;

// Keys pressed while the list is shown, from the selection on window 1 after Alt+Tab (or
// on window 4 after Alt+Shift+Tab), and the window that Alt's release then activates.
struct KeyCase {
  bool shift;
  const char* keys;
  int activated;
};

class KeysWhileShown : public FiveWindows, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeysWhileShown, MoveTheSelection) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(GetParam().shift));
  if (*GetParam().keys) {
    ASSERT_NO_FATAL_FAILURE(Keys(GetParam().keys));
  }
  PumpFor(200);
  EXPECT_TRUE(IsShown(Form()));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(GetParam().activated, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(Keys, KeysWhileShown,
                         ::testing::Values(KeyCase{false, "", 1}, KeyCase{false, "Tab", 2},
                                           KeyCase{true, "", 4},
                                           KeyCase{false, "Down Down Up", 2},
                                           KeyCase{false, "Up Up", 4},  // wraps back
                                           KeyCase{true, "Down", 0},    // wraps forward
                                           KeyCase{false, "Right", 4},
                                           KeyCase{false, "Right Right", 2},
                                           KeyCase{false, "Left", 3},
                                           KeyCase{false, "5", 1}));  // no sixth entry

TEST_F(FiveWindows, QuickAltTabStillSwitches) {
  // Alt released before the switcher could paint: all four key events at once through
  // SendInput, whose Alt the switcher reads as released.
  INPUT inputs[4] = {};
  const WORD keys[4] = {VK_MENU, VK_TAB, VK_TAB, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i];
    inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  ASSERT_EQ(4u, SendInput(4, inputs, sizeof(INPUT)));
  // Never shown for long enough to wait for: wait for the switch instead.
  EXPECT_TRUE(WaitUntil([] { return GetForegroundWindow() != Target(0); }, 5000));
  EXPECT_EQ(1, ForegroundAfterHiding());
}

// Keys that switch at once, with Alt still held: a label key, Enter, Esc. Keypad digits
// come through SendInput: X has none without Num Lock.
struct EndingKey {
  const char* keys;
  WORD vk;
  int activated;
};

class KeyThatEndsTheSwitch : public FiveWindows,
                             public ::testing::WithParamInterface<EndingKey> {};

TEST_P(KeyThatEndsTheSwitch, ActivatesAtOnce) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  if (GetParam().vk) {
    ASSERT_TRUE(TapKey(GetParam().vk));
  } else {
    ASSERT_NO_FATAL_FAILURE(Keys(GetParam().keys));
  }
  ExpectEndedOn(GetParam().activated);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyThatEndsTheSwitch,
                         ::testing::Values(EndingKey{"3", 0, 3},
                                           EndingKey{nullptr, VK_NUMPAD2, 2},
                                           EndingKey{"Down Return", 0, 2},
                                           EndingKey{"Escape", 0, 0}));  // no switch

TEST_F(FiveWindows, LosingActivationHides) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  // Right of window 1 and above the list: only window 2 is there.
  const POINT outside = {258, 128};
  ASSERT_EQ(Target(2), GetAncestor(WindowFromPoint(outside), GA_ROOT));
  ASSERT_TRUE(Click(outside));
  ExpectEndedOn(2);
}

// Wheel turns from the selection on window 1, one message per distance: every 120 turned
// away from the user is one step back, towards the user one step forward; fine-grained
// wheels send parts of that, which add up.
struct WheelCase {
  std::vector<int> distances;
  int activated;
};

class Wheel : public FiveWindows, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(Wheel, MovesTheSelectionByWholeNotches) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  for (int distance : GetParam().distances)
    ASSERT_TRUE(TurnWheel({(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2},
                          distance));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(GetParam().activated, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(Distances, Wheel,
                         ::testing::Values(WheelCase{{120}, 0}, WheelCase{{-240}, 3},
                                           WheelCase{{60}, 1},  // half a notch: no step
                                           WheelCase{{30, 30, 30, 30}, 0},
                                           WheelCase{{40, 40, 40}, 0},
                                           WheelCase{{-30, -30, -30, -30}, 2},
                                           WheelCase{{250}, 4},  // two steps, 10 left over
                                           WheelCase{{100, 10, 10}, 0}));

// A mouse button released on a row: (button, row, pixel line within the row's painted
// pitch, the window activated), down to the pitch's last line.
struct ClickCase {
  int button;
  int row;
  int line;
  int activated;
};

class ClickOnRow : public FiveWindows, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickOnRow, ActivatesThatRow) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(Click(RowPoint(Form(), GetParam().row, GetParam().line), GetParam().button));
  EXPECT_EQ(GetParam().activated, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(Rows, ClickOnRow,
                         ::testing::Values(ClickCase{1, 3, 16, 3}, ClickCase{2, 2, 16, 2},
                                           ClickCase{2, 4, 16, 4}, ClickCase{1, 0, 0, 0},
                                           ClickCase{1, 1, 27, 1}, ClickCase{1, 1, 28, 1},
                                           ClickCase{1, 1, 31, 1}, ClickCase{2, 3, 30, 3}));

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
  const auto boxed = [](int row) { return RowEdgesAre(Form(), row, kShadow, kHighlight, 144); };
  const auto plain = [](int row) {
    return RowEdgesAre(Form(), row, kBackground, kBackground, 144);
  };
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_TRUE(WaitUntil([&] { return boxed(1); }, 2000)) << "no selection painted";
  EXPECT_TRUE(plain(0));
  EXPECT_TRUE(plain(2));
  EXPECT_TRUE(plain(4));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  EXPECT_EQ(6 + 5 * 48 + 6, bounds.bottom - bounds.top);
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

TEST_F(FiveWindows, WindowsThatAskedForAttentionAreBoxedUntilActivated) {
  const auto boxed = [](int row) { return RowEdgesAre(Form(), row, kShadow, kHighlight); };
  const auto plain = [](int row) { return RowEdgesAre(Form(), row, kBackground, kBackground); };
  const UINT shellHook = RegisterWindowMessageA("SHELLHOOK");
  const auto post = [&](WPARAM code, int index) {
    return PostMessageA(Form(), shellHook, code, reinterpret_cast<LPARAM>(Target(index)));
  };
  // The list after Alt+Tab, with the selection on row 1, once painted.
  const auto showPaintedList = [&] {
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
    ASSERT_TRUE(WaitUntil([&] { return boxed(1); }, 2000)) << "no selection painted";
  };
  // Window 4 flashes three times but is listed once, so one activation notice clears it.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(post(HSHELL_FLASH, 4));
  ASSERT_TRUE(post(HSHELL_FLASH, 3));
  ASSERT_NO_FATAL_FAILURE(showPaintedList());
  EXPECT_TRUE(boxed(3));
  EXPECT_TRUE(boxed(4));
  EXPECT_TRUE(plain(2));
  // Switching to window 3 clears its mark.
  ASSERT_NO_FATAL_FAILURE(Keys("Down Down"));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  ASSERT_EQ(3, ForegroundAfterHiding());
  ASSERT_TRUE(post(HSHELL_WINDOWACTIVATED, 4));

  ASSERT_TRUE(targets->Restack());
  ASSERT_NO_FATAL_FAILURE(showPaintedList());
  EXPECT_TRUE(plain(3));
  EXPECT_TRUE(plain(4));
}

TEST_F(FiveWindows, SelectedWindowClosedWhileShownThenAltReleased) {
  // Listed last, below the targets, and selected by Alt+Shift+Tab.
  TargetWindows doomed;
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

TEST_F(FiveWindows, HungWindowDoesNotStopSwitchingBetweenTheOthers) {
  // A window of another process, listed below the targets, whose thread sleeps through
  // the whole switch.
  TargetWindows hung;
  ASSERT_TRUE(hung.Open(1, "Hung"));
  ASSERT_TRUE(targets->Restack());
  ASSERT_TRUE(PostMessageA(hung[0], WM_APP, 8000, 0));
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
  for (int y = top + 2; y < top + 16; ++y) {
    for (int x = bounds.left + left; x < bounds.left + left + 12; ++x) {
      if (ScreenPixel(x, y) != kBackground) return true;
    }
  }
  return false;
}

// Closing windows from the shown list. Each case closes windows, so it gets new target
// windows of its own in place of the suite's.
class CloseFromList : public Desk {
 protected:
  static void SetUpTestSuite() { Open(1); }
  void SetUp() override {}

  static void OpenWindows(int count) {
    delete targets;
    targets = new TargetWindows;
    ASSERT_TRUE(targets->Open(count));
  }

  static bool IsSelected(int row) { return RowEdgesAre(Form(), row, kShadow, kHighlight); }

  static int CloseRequests(int index) {
    return static_cast<int>(reinterpret_cast<UINT_PTR>(GetPropA(Target(index), "CloseRequests")));
  }
};

TEST_F(CloseFromList, DeleteClosesTheSelectedWindowAndTheNextRowTakesItsPlace) {
  ASSERT_NO_FATAL_FAILURE(OpenWindows(3));
  ASSERT_NO_FATAL_FAILURE(Desk::SetUp());
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
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
  ASSERT_NO_FATAL_FAILURE(Desk::SetUp());
  ASSERT_TRUE(PostMessageA(Target(1), WM_APP + 1, 0, 0));
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_NO_FATAL_FAILURE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return CloseRequests(1) == 1; }, 5000));
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
  ASSERT_NO_FATAL_FAILURE(Desk::SetUp());
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
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
  EXPECT_TRUE(
      WaitUntil([&] { return !RowIsPainted(Form(), 1, secondColumn); }, 5000));
  EXPECT_TRUE(RowIsPainted(Form(), 0, secondColumn));
  EXPECT_EQ(0, CloseRequests(18));
  // The selected window stayed listed and stays selected.
  EXPECT_TRUE(IsSelected(1));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt());
  EXPECT_EQ(1, ForegroundAfterHiding());
}

// More entries than the digits label: letters from the eleventh, F-keys from the
// thirty-seventh to the forty-eighth, in three columns.
class LabelKey : public Windows<48>,
                 public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(LabelKey, ActivatesItsEntry) {
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher());
  ASSERT_NO_FATAL_FAILURE(Keys(GetParam().first));
  EXPECT_EQ(GetParam().second, ForegroundAfterHiding());
}

INSTANTIATE_TEST_SUITE_P(Labels, LabelKey,
                         ::testing::Values(std::make_pair("5", 5), std::make_pair("a", 10),
                                           std::make_pair("z", 35), std::make_pair("F1", 36),
                                           std::make_pair("F12", 47)));

}  // namespace
