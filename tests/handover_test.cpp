// The real FlipDeck.exe starting up, handing over and quitting: the start-up leaves the
// desktop as it found it, the newest copy closes the older one and takes the hotkeys, a
// copy ignores its own broadcast, an F4 keeps it through one hand-over, and -quit closes
// it from the command line.
#include <windows.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "switcher.h"
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

  void ShowSwitcher(HWND form) {
    altHeld = true;
    ASSERT_TRUE(ShowList(form));
  }

  void LetGoOfAlt(HWND form) {
    ASSERT_TRUE(ReleaseAlt());
    altHeld = false;
    ASSERT_TRUE(WaitHidden(form));
  }

  TargetWindows targets;
  bool altHeld = false;
};

TEST_F(HandOver, StartUpGivesTheForegroundBackAndTheNewestCopyTakesOver) {
  const HWND previous = targets[0];
  const int activations = Activations(previous);
  const int deactivations = Deactivations(previous);
  const int othersActivated = Activations(targets[1]) + Activations(targets[2]);
  FlipDeck first = StartFlipDeck();
  ASSERT_NE(nullptr, first.form);
  PumpFor(500);  // anything still to come would show within this
  EXPECT_EQ(deactivations + 1, Deactivations(previous));
  EXPECT_EQ(activations + 1, Activations(previous));
  EXPECT_EQ(othersActivated, Activations(targets[1]) + Activations(targets[2]));
  EXPECT_EQ(previous, GetForegroundWindow());
  EXPECT_FALSE(IsWindowVisible(first.form));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));

  // The older copy lets go of the hotkeys in time for the newer one to take them.
  FlipDeck second = StartFlipDeck();
  ASSERT_NE(nullptr, second.form);
  EXPECT_TRUE(first.program.WaitForExit(1000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));

  // Its own broadcast reaches it too and leaves it running; the same message naming
  // another window is a newer copy's.
  const UINT handOver = RegisterWindowMessageA("FlipDeckSuizideMessage");
  ASSERT_TRUE(PostMessageA(second.form, handOver, reinterpret_cast<WPARAM>(second.form), 0));
  PumpFor(500);
  EXPECT_TRUE(second.program.IsRunning());
  ASSERT_TRUE(PostMessageA(second.form, handOver, reinterpret_cast<WPARAM>(targets[0]), 0));
  EXPECT_TRUE(second.program.WaitForExit(5000));
  EXPECT_EQ(0u, second.program.ExitCode());
}

// A 32-bit and a 64-bit copy each close the other: the hand-over names the sender's window
// by its 32-bit value.
TEST_F(HandOver, CopiesOfEitherArchitectureTakeOverFromEachOther) {
  const char* thirtyTwoBit = std::getenv("FLIPDECK_I686_EXE");
  if (!thirtyTwoBit || !*thirtyTwoBit || sizeof(void*) == 4)
    GTEST_SKIP() << "needs the 64-bit build on a host that also runs 32-bit programs";

  FlipDeck older = StartFlipDeck(thirtyTwoBit);
  ASSERT_NE(nullptr, older.form);
  FlipDeck newer = StartFlipDeck();
  ASSERT_NE(nullptr, newer.form);
  EXPECT_TRUE(older.program.WaitForExit(5000));
  EXPECT_EQ(0u, older.program.ExitCode());

  FlipDeck newest = StartFlipDeck(thirtyTwoBit);
  ASSERT_NE(nullptr, newest.form);
  EXPECT_TRUE(newer.program.WaitForExit(5000));
  EXPECT_EQ(0u, newer.program.ExitCode());
  EXPECT_TRUE(newest.program.IsRunning());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));
}

TEST_F(HandOver, F4KeepsTheCopyThroughOneHandOverOnly) {
  FlipDeck first = StartFlipDeck();
  ASSERT_NE(nullptr, first.form);
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(first.form));
  // With Alt held F4 is Alt+F4, whose close request comes at once (next test). Ctrl
  // held as well makes it a plain key-down, as if F4 came alone.
  ASSERT_TRUE(KeyDown(VK_CONTROL));
  EXPECT_TRUE(TapKey(VK_F4));
  ASSERT_TRUE(KeyUp(VK_CONTROL));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(first.form));

  FlipDeck second = StartFlipDeck();
  ASSERT_NE(nullptr, second.form);
  PumpFor(500);
  EXPECT_TRUE(first.program.IsRunning());

  // The first copy kept the hotkeys: Alt+Tab still switches, through it.
  const HWND previous = GetForegroundWindow();
  const HWND next = targets.InZOrder()[1];
  ASSERT_TRUE(KeyDown(VK_MENU) && TapKey(VK_TAB) && KeyUp(VK_MENU));
  EXPECT_TRUE(WaitUntil(
      [&] { return GetForegroundWindow() != previous && !IsWindowVisible(first.form); }, 5000));
  EXPECT_EQ(next, GetForegroundWindow());

  FlipDeck third = StartFlipDeck();
  ASSERT_NE(nullptr, third.form);
  EXPECT_TRUE(first.program.WaitForExit(5000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(second.program.WaitForExit(5000));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
}

TEST_F(HandOver, AltF4LeavesTheSwitcherOpenAndUnguarded) {
  FlipDeck copy = StartFlipDeck();
  ASSERT_NE(nullptr, copy.form);
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

// FlipDeck.exe -quit, waited for; its exit code, or STILL_ACTIVE if it did not end in time.
DWORD RunQuit() {
  Program quit = StartProgram("FlipDeck.exe", "-quit");
  if (!quit.IsStarted() || !quit.WaitForExit(10000)) return STILL_ACTIVE;
  return quit.ExitCode();
}

TEST_F(HandOver, QuitClosesTheRunningCopyAndSaysWhetherThereWasOne) {
  EXPECT_EQ(1u, RunQuit());

  FlipDeck copy = StartFlipDeck();
  ASSERT_NE(nullptr, copy.form);
  EXPECT_EQ(0u, RunQuit());
  // It waited for the copy to end, which gave back everything it held.
  EXPECT_FALSE(copy.program.IsRunning());
  EXPECT_EQ(0u, copy.program.ExitCode());
  EXPECT_FALSE(HotKeyTaken(MOD_ALT));
  EXPECT_EQ(nullptr, FindWindowA("obj_Form", "Form1"));
  // Nothing was shown on the way.
  EXPECT_EQ(targets[0], GetForegroundWindow());
  EXPECT_EQ(1u, RunQuit());
}

TEST_F(HandOver, QuitReportsACopyThatKeptRunningAfterF4) {
  FlipDeck copy = StartFlipDeck();
  ASSERT_NE(nullptr, copy.form);
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(copy.form));
  ASSERT_TRUE(KeyDown(VK_CONTROL));
  EXPECT_TRUE(TapKey(VK_F4));
  ASSERT_TRUE(KeyUp(VK_CONTROL));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(copy.form));
  EXPECT_EQ(2u, RunQuit());
  EXPECT_TRUE(copy.program.IsRunning());
  EXPECT_EQ(0u, RunQuit());
}

}  // namespace
