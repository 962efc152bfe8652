// The real FlipDeck.exe starting up, handing over and quitting: the start-up leaves the
// desktop as it found it, the newest copy closes the older one, waits for it and takes the
// hotkeys, a copy ignores its own broadcast, an F4 keeps it through one hand-over, a copy
// closed with its list shown exits cleanly, -quit closes it from the command line, and its
// notification-area icon comes and goes with it and starts it at log-on.
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "farm.h"
#include "faults.h"
#include "messagebox.h"
#include "process.h"
#include "switcher.h"
#include "toplevel.h"
#include "trayicon.h"
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

  // Presses F4 while the list is shown, which guards the copy against the next close
  // request. With Alt held F4 is Alt+F4, whose close request comes at once; Ctrl held as
  // well makes it a plain key-down, as if F4 came alone.
  void GuardWithF4(HWND form) {
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher(form));
    ASSERT_TRUE(KeyDown(VK_CONTROL));
    EXPECT_TRUE(TapKey(VK_F4));
    ASSERT_TRUE(KeyUp(VK_CONTROL));
    ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(form));
  }

  WindowFarm targets;
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

// A newer copy that cannot get the hotkeys within a few seconds says so and quits,
// leaving the older copy working.
TEST_F(HandOver, F4KeepsTheCopyThroughOneHandOverOnly) {
  FlipDeck first = StartFlipDeck();
  ASSERT_NE(nullptr, first.form);
  ASSERT_NO_FATAL_FAILURE(GuardWithF4(first.form));

  Program second = StartProgram("FlipDeck.exe");
  const DWORD started = GetTickCount();
  HWND box = WaitForVisibleWindow(second.Id(), "#32770", 10000);
  ASSERT_NE(nullptr, box);
  EXPECT_GE(GetTickCount() - started, 3000u) << "it waited for the older copy first";
  EXPECT_EQ("Another program holds Alt+Tab, so FlipDeck cannot take it over and quits.",
            CloseBox(box).Text);
  EXPECT_TRUE(second.WaitForExit(5000));
  EXPECT_EQ(1u, second.ExitCode());
  EXPECT_TRUE(first.program.IsRunning());

  // The first copy kept the hotkeys: Alt+Tab still switches, through it.
  const HWND previous = GetForegroundWindow();
  const HWND next = targets.InZOrder()[1];
  ASSERT_TRUE(KeyDown(VK_MENU) && TapKey(VK_TAB) && KeyUp(VK_MENU));
  EXPECT_TRUE(WaitUntil(
      [&] {
        const HWND front = GetForegroundWindow();
        return front && front != previous && !IsWindowVisible(first.form);
      },
      5000));
  EXPECT_EQ(next, GetForegroundWindow());

  FlipDeck third = StartFlipDeck();
  ASSERT_NE(nullptr, third.form);
  EXPECT_TRUE(first.program.WaitForExit(5000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
}

// An older copy that takes a second and a half to let go of the hotkeys.
TEST_F(HandOver, TheNewCopyWaitsForASlowOlderCopyAndTakesTheHotKeys) {
  Program older;
  ASSERT_EQ(1u, StartReporting(older, "oldcopy.exe", "1500", 1).size());
  FlipDeck newer = StartFlipDeck();
  ASSERT_NE(nullptr, newer.form);
  // Once the older copy is gone, only the newer one can hold the hotkeys. (While a
  // process that held them ends, Wine lets a probe register them for a moment.)
  ASSERT_TRUE(older.WaitForExit(5000));
  PumpFor(500);
  EXPECT_TRUE(newer.program.IsRunning());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));
  EXPECT_TRUE(HotKeyTaken(MOD_ALT | MOD_SHIFT));
  ASSERT_TRUE(PostMessageA(newer.form, WM_CLOSE, 0, 0));
  EXPECT_TRUE(newer.program.WaitForExit(5000));
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

// Closed from outside, and handed over to a newer copy, while its list is shown.
TEST_F(HandOver, ACopyClosedWhileItsListIsShownExitsWithoutAFault) {
  for (bool handOver : {false, true}) {
    SCOPED_TRACE(handOver ? "hand-over" : "close request");
    FlipDeck copy = StartFlipDeck();
    ASSERT_NE(nullptr, copy.form);
    FaultWatch watch(copy.program.Id());
    ASSERT_TRUE(watch.Attached());
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher(copy.form));
    FlipDeck newer;
    if (handOver) {
      newer.program = StartProgram("FlipDeck.exe");
    } else {
      ASSERT_TRUE(PostMessageA(copy.form, WM_CLOSE, 0, 0));
    }
    EXPECT_EQ(0, watch.Faults(10000));
    EXPECT_EQ(0u, copy.program.ExitCode());
    ASSERT_TRUE(ReleaseAlt());
    altHeld = false;
  }
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
  ASSERT_NO_FATAL_FAILURE(GuardWithF4(copy.form));
  EXPECT_EQ(2u, RunQuit());
  EXPECT_TRUE(copy.program.IsRunning());
  EXPECT_EQ(0u, RunQuit());
}

// The notification area as the shell keeps it: it modifies only an icon it holds.
bool HasTrayIcon(HWND form) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = form;
  data.uID = 1;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

class TrayIcon : public HandOver {
 protected:
  void TearDown() override {
    HandOver::TearDown();
    // The value belongs to this test's Wine prefix; never leave it for the next run.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "FlipDeck");
    RegCloseKey(key);
  }

  // The Run value for FlipDeck, or "(none)".
  static std::string RunValue() {
    char value[1024] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, RunKey, "FlipDeck", RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
      return "(none)";
    return value;
  }

  // Opens the icon's menu as a right click on the icon does, picks an entry with keys
  // (1 "Start at log-on", 2 "Exit") and waits until done() says it took effect.
  static bool Choose(const FlipDeck& copy, int entry, const std::function<bool()>& done) {
    // Under Wine the foreground that the menu takes for its hidden window sometimes moves
    // on to the desktop at once, which closes the menu before it shows or before it reads
    // the keys: open it again.
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!PostMessageA(copy.form, TrayIconMessage, 1, WM_RBUTTONUP)) return false;
      HWND menu = WaitForVisibleWindow(copy.program.Id(), "#32768", 2000);
      if (!menu) continue;
      for (int i = 0; i < entry; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
      if (WaitUntil(done, 2000)) return true;
    }
    return false;
  }

  static constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
};

TEST_F(TrayIcon, ComesBackAfterExplorerRestartsAndLeavesWithExit) {
  FlipDeck copy = StartFlipDeck();
  ASSERT_NE(nullptr, copy.form);
  EXPECT_TRUE(HasTrayIcon(copy.form));

  // A restarted Explorer has lost the icon and tells every window.
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = copy.form;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
  ASSERT_TRUE(PostMessageA(copy.form, RegisterWindowMessageA("TaskbarCreated"), 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return HasTrayIcon(copy.form); }, 5000));

  EXPECT_TRUE(Choose(copy, 2, [&] { return !copy.program.IsRunning(); }));
  EXPECT_EQ(0u, copy.program.ExitCode());
  EXPECT_FALSE(HasTrayIcon(copy.form));
  EXPECT_FALSE(HotKeyTaken(MOD_ALT));
}

TEST_F(TrayIcon, StartAtLogOnWritesAndRemovesTheCommandWithItsOptions) {
  const std::string options = "-centerX=300 \"-font=FFFFFF\"  -sortAlphabetically=true";
  FlipDeck copy = StartFlipDeck("FlipDeck.exe", options);
  ASSERT_NE(nullptr, copy.form);
  ASSERT_EQ("(none)", RunValue());
  const std::string command = "\"" + ProgramDir() + "FlipDeck.exe\" " + options;
  EXPECT_TRUE(Choose(copy, 1, [&] { return RunValue() != "(none)"; }));
  EXPECT_EQ(command, RunValue());
  EXPECT_TRUE(Choose(copy, 1, [&] { return RunValue() == "(none)"; }));
  EXPECT_TRUE(copy.program.IsRunning());
}

// Wine drops the icons of a destroyed window by itself, so the icon's owner is checked on
// a window that outlives it.
TEST(TrayIconOwner, GivesItsIconBackWhenDestroyed) {
  HWND window = CreateWindowA("STATIC", "tray", 0, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  {
    TTrayIcon icon;
    icon.Add(window);
    EXPECT_TRUE(HasTrayIcon(window));
  }
  EXPECT_FALSE(HasTrayIcon(window));
  DestroyWindow(window);
}

TEST(ProgramIcon, IsTheExesOwn) {
  EXPECT_EQ(1u, ExtractIconExA((ProgramDir() + "FlipDeck.exe").c_str(), -1, nullptr, nullptr, 0));
}

TEST_F(TrayIcon, IsLeftOutWhenAskedTo) {
  FlipDeck copy = StartFlipDeck("FlipDeck.exe", "-trayIcon=false");
  ASSERT_NE(nullptr, copy.form);
  EXPECT_FALSE(HasTrayIcon(copy.form));
}

}  // namespace
