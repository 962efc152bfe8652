// The real FlipDeck.exe starting up and handing over: the newest copy closes
// the older one and takes the hotkeys, a copy ignores its own broadcast, a
// close request ends it cleanly, an F4 keeps it through one hand-over, and
// the start-up leaves the desktop as it found it.
#include <windows.h>

#include <gtest/gtest.h>

#include "process.h"
#include "switcher.h"
#include "toplevel.h"
#include "wait.h"
#include "xkeys.h"

namespace {

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    // The probes below only mean something if nothing else holds the keys.
    ASSERT_FALSE(HotKeyTaken(MOD_ALT));
    ASSERT_FALSE(HotKeyTaken(MOD_ALT | MOD_SHIFT));
    ASSERT_TRUE(targets.Open(3));
  }

  void TearDown() override {
    if (altHeld) ReleaseAlt();
  }

  // Starts a copy and waits until its start-up is over (hotkeys registered,
  // the list shown once and hidden again).
  FlipDeck Start() {
    HWND previous = GetForegroundWindow();
    const int before = Deactivations(previous);
    FlipDeck copy = StartFlipDeck();
    EXPECT_NE(nullptr, copy.form);
    EXPECT_TRUE(WaitForStartup(copy, previous, before));
    return copy;
  }

  void ShowSwitcher(HWND form) {
    ASSERT_TRUE(HoldAlt(GetForegroundWindow()));
    altHeld = true;
    ASSERT_TRUE(PressTab());
    ASSERT_TRUE(WaitShown(form));
    // Under load the X focus can stay behind on the previous window although
    // the switcher is active, and X keys sent there never reach it.
    ASSERT_TRUE(FocusX(form));
  }

  void LetGoOfAlt(HWND form) {
    ASSERT_TRUE(ReleaseAlt());
    altHeld = false;
    ASSERT_TRUE(WaitHidden(form));
  }

  TargetWindows targets;
  bool altHeld = false;
};

TEST_F(HandOver, NewerCopyClosesTheOlderAndTakesBothHotkeys) {
  FlipDeck first = Start();
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));

  HWND previous = GetForegroundWindow();
  const int before = Deactivations(previous);
  FlipDeck second = StartFlipDeck();
  ASSERT_NE(nullptr, second.form);
  // The newer copy broadcasts as soon as its window exists.
  EXPECT_TRUE(first.program.WaitForExit(1000));
  EXPECT_EQ(0u, first.program.ExitCode());

  ASSERT_TRUE(WaitForStartup(second, previous, before));
  EXPECT_TRUE(second.program.IsRunning());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));

  // They were the second copy's: gone with it.
  second.program.Kill();
  EXPECT_TRUE(WaitUntil([] { return !HotKeyTaken(MOD_ALT); }, 5000));
  EXPECT_FALSE(HotKeyTaken(MOD_ALT | MOD_SHIFT));
}

TEST_F(HandOver, CopyStaysRunningOnItsOwnBroadcast) {
  FlipDeck only = Start();
  const UINT handOver = RegisterWindowMessageA("FlipDeckSuizideMessage");
  ASSERT_TRUE(PostMessageA(only.form, handOver, reinterpret_cast<WPARAM>(only.form), 0));
  PumpFor(500);
  EXPECT_TRUE(only.program.IsRunning());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));

  // The same message naming another window is a newer copy's.
  ASSERT_TRUE(PostMessageA(only.form, handOver, reinterpret_cast<WPARAM>(targets[0]), 0));
  EXPECT_TRUE(only.program.WaitForExit(5000));
}

TEST_F(HandOver, PostedCloseEndsTheProcessWithExitCodeZero) {
  FlipDeck copy = Start();
  HWND paintBox = GetWindow(copy.form, GW_CHILD);
  ASSERT_NE(nullptr, paintBox);

  ASSERT_TRUE(PostMessageA(copy.form, WM_CLOSE, 0, 0));
  ASSERT_TRUE(copy.program.WaitForExit(5000));
  EXPECT_EQ(0u, copy.program.ExitCode());
  EXPECT_FALSE(IsWindow(copy.form));
  EXPECT_FALSE(IsWindow(paintBox));
  EXPECT_TRUE(TopLevelWindows(copy.program.Id()).empty());
  EXPECT_FALSE(HotKeyTaken(MOD_ALT));
}

TEST_F(HandOver, StartUpShowsTheListOnceAndGivesTheForegroundBack) {
  HWND previous = targets[0];
  const int activations = Activations(previous);
  const int deactivations = Deactivations(previous);
  const int othersActivated = Activations(targets[1]) + Activations(targets[2]);

  FlipDeck copy = StartFlipDeck();
  ASSERT_NE(nullptr, copy.form);
  ASSERT_TRUE(WaitForStartup(copy, previous, deactivations));
  // Anything still to come would show within this.
  PumpFor(500);

  EXPECT_EQ(deactivations + 1, Deactivations(previous));
  EXPECT_EQ(activations + 1, Activations(previous));
  EXPECT_EQ(othersActivated, Activations(targets[1]) + Activations(targets[2]));
  EXPECT_EQ(previous, GetForegroundWindow());
  EXPECT_FALSE(IsWindowVisible(copy.form));
}

TEST_F(HandOver, F4KeepsTheCopyThroughOneHandOverOnly) {
  FlipDeck first = Start();
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(first.form));
  // With Alt held F4 is Alt+F4, whose close request comes at once (next
  // test). Ctrl held as well makes it a plain key-down, as if F4 came alone.
  ASSERT_TRUE(KeyDown(VK_CONTROL));
  EXPECT_TRUE(TapKey(VK_F4));
  ASSERT_TRUE(KeyUp(VK_CONTROL));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(first.form));

  HWND previous = GetForegroundWindow();
  int before = Deactivations(previous);
  FlipDeck second = StartFlipDeck();
  ASSERT_NE(nullptr, second.form);
  ASSERT_TRUE(WaitForStartup(second, previous, before));
  PumpFor(500);
  EXPECT_TRUE(first.program.IsRunning());

  // The first copy kept the hotkeys: Alt+Tab still switches, through it.
  previous = GetForegroundWindow();
  const HWND next = targets.InZOrder()[1];
  ASSERT_TRUE(KeyDown(VK_MENU) && TapKey(VK_TAB) && KeyUp(VK_MENU));
  EXPECT_TRUE(WaitUntil(
      [&] { return GetForegroundWindow() != previous && !IsWindowVisible(first.form); }, 5000));
  EXPECT_EQ(next, GetForegroundWindow());

  previous = GetForegroundWindow();
  before = Deactivations(previous);
  FlipDeck third = StartFlipDeck();
  ASSERT_NE(nullptr, third.form);
  EXPECT_TRUE(first.program.WaitForExit(5000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(second.program.WaitForExit(5000));
  ASSERT_TRUE(WaitForStartup(third, previous, before));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
}

TEST_F(HandOver, AltF4LeavesTheSwitcherOpenAndUnguarded) {
  FlipDeck copy = Start();
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(copy.form));
  EXPECT_TRUE(TapKey(VK_F4));
  PumpFor(500);
  EXPECT_TRUE(copy.program.IsRunning());
  EXPECT_TRUE(IsShown(copy.form));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(copy.form));

  // The refused close used the guard up: the next hand-over closes it.
  FlipDeck newer = StartFlipDeck();
  ASSERT_NE(nullptr, newer.form);
  EXPECT_TRUE(copy.program.WaitForExit(5000));
}

}  // namespace
