// The real FlipDeck.exe starting up, handing over and quitting: the start-up leaves the
// desktop as it found it, the newest copy closes the older one, waits for it and takes the
// hotkeys, an F4 keeps a copy through one hand-over, a copy closed with its list shown
// exits cleanly, -quit closes it from the command line, and its notification-area icon
// comes and goes with it and starts it at log-on.
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

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool HotKeysTaken() { return HotKeyTaken(MOD_ALT) && HotKeyTaken(MOD_ALT | MOD_SHIFT); }

// The shell modifies (and deletes) only an icon it holds.
bool TrayIcon(DWORD action, HWND form) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = form;
  data.uID = 1;
  return Shell_NotifyIconA(action, &data) != FALSE;
}
bool HasTrayIcon(HWND form) { return TrayIcon(NIM_MODIFY, form); }

// FlipDeck.exe -quit, waited for; its exit code, or STILL_ACTIVE if it did not end in time.
DWORD RunQuit() {
  Program quit = StartProgram("FlipDeck.exe", "-quit");
  return quit.WaitForExit(10000) ? quit.ExitCode() : STILL_ACTIVE;
}

// The Run value for FlipDeck, or "(none)".
std::string RunValue() {
  char value[1024] = "";
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, "FlipDeck", RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return "(none)";
  return value;
}

// Opens the icon's menu as a right click on the icon does, picks an entry with keys
// (1 "Start at log-on", 2 "Exit") and waits until done() says it took effect.
bool ChooseFromTrayMenu(const FlipDeck& copy, int entry, const std::function<bool()>& done) {
  // Under Wine the menu's hidden window sometimes loses the foreground to the desktop at
  // once, which closes the menu before it reads the keys: open it again.
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

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    // The probes below only mean something if nothing else holds the keys.
    ASSERT_FALSE(HotKeyTaken(MOD_ALT) || HotKeyTaken(MOD_ALT | MOD_SHIFT));
    ASSERT_TRUE(targets.Open(3));
  }

  void TearDown() override {
    if (altHeld) ReleaseAlt();
    // The value belongs to this test's Wine prefix; never leave it for the next run.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "FlipDeck");
    RegCloseKey(key);
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

TEST_F(HandOver, StartUpDisturbsTheDesktopOrTheNewestCopyFailsToTakeOver) {
  EXPECT_EQ(1u, RunQuit()) << "no copy was running";
  const HWND previous = targets[0];
  const int activations = Activations(previous), deactivations = Deactivations(previous);
  const int othersActivated = Activations(targets[1]) + Activations(targets[2]);
  FlipDeck first = StartFlipDeck();
  ASSERT_NE(nullptr, first.form);
  PumpFor(500);  // anything still to come would show within this
  EXPECT_EQ(deactivations + 1, Deactivations(previous));
  EXPECT_EQ(activations + 1, Activations(previous));
  EXPECT_EQ(othersActivated, Activations(targets[1]) + Activations(targets[2]));
  EXPECT_EQ(previous, GetForegroundWindow());
  EXPECT_FALSE(IsWindowVisible(first.form));
  EXPECT_TRUE(HotKeysTaken());
  EXPECT_TRUE(HasTrayIcon(first.form));

  // Alt+F4 on the list is refused but does not guard the copy against a hand-over.
  ASSERT_NO_FATAL_FAILURE(ShowSwitcher(first.form));
  EXPECT_TRUE(TapKey(VK_F4));
  PumpFor(500);
  EXPECT_TRUE(IsShown(first.form));
  ASSERT_NO_FATAL_FAILURE(LetGoOfAlt(first.form));

  // The older copy lets go of the hotkeys in time for the newer one to take them.
  const std::string options = "-centerX=300 \"-font=FFFFFF\"  -sortAlphabetically=true";
  FlipDeck second = StartFlipDeck("FlipDeck.exe", options);
  ASSERT_NE(nullptr, second.form);
  EXPECT_TRUE(first.program.WaitForExit(1000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(HotKeysTaken());

  // Its own hand-over broadcast reaches it too and leaves it running.
  const UINT handOver = RegisterWindowMessageA("FlipDeckSuizideMessage");
  ASSERT_TRUE(PostMessageA(second.form, handOver, reinterpret_cast<WPARAM>(second.form), 0));
  PumpFor(500);
  EXPECT_TRUE(second.program.IsRunning());

  // A restarted Explorer has lost the icon and tells every window.
  ASSERT_TRUE(TrayIcon(NIM_DELETE, second.form));
  ASSERT_TRUE(PostMessageA(second.form, RegisterWindowMessageA("TaskbarCreated"), 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return HasTrayIcon(second.form); }, 5000));

  // "Start at log-on" writes the command with its options, and takes it away again.
  ASSERT_EQ("(none)", RunValue());
  EXPECT_TRUE(ChooseFromTrayMenu(second, 1, [&] { return RunValue() != "(none)"; }));
  EXPECT_EQ("\"" + ProgramDir() + "FlipDeck.exe\" " + options, RunValue());
  EXPECT_TRUE(ChooseFromTrayMenu(second, 1, [&] { return RunValue() == "(none)"; }));

  // -quit says when F4 kept the copy running, and closes it the next time without showing
  // anything, waiting until it gave back what it held. (The menu left no foreground.)
  ASSERT_TRUE(targets.Restack());
  ASSERT_NO_FATAL_FAILURE(GuardWithF4(second.form));
  const HWND front = GetForegroundWindow();
  EXPECT_EQ(2u, RunQuit());
  EXPECT_TRUE(second.program.IsRunning());
  EXPECT_EQ(0u, RunQuit());
  EXPECT_FALSE(second.program.IsRunning());
  EXPECT_EQ(0u, second.program.ExitCode());
  EXPECT_FALSE(HotKeyTaken(MOD_ALT));
  EXPECT_EQ(nullptr, FindWindowA("obj_Form", "Form1"));
  EXPECT_EQ(front, GetForegroundWindow());
  EXPECT_EQ(1u, RunQuit());
}

// A newer copy that cannot get the hotkeys within a few seconds says so and quits,
// leaving the older copy working.
TEST_F(HandOver, F4FailsToKeepTheCopyThroughExactlyOneHandOver) {
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
        const HWND now = GetForegroundWindow();
        return now && now != previous && !IsWindowVisible(first.form);
      },
      5000));
  EXPECT_EQ(next, GetForegroundWindow());

  FlipDeck third = StartFlipDeck();
  ASSERT_NE(nullptr, third.form);
  EXPECT_TRUE(first.program.WaitForExit(5000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_TRUE(HotKeyTaken(MOD_ALT));

  // "Exit" on the icon's menu ends it, and the icon and the hotkeys go with it.
  EXPECT_TRUE(ChooseFromTrayMenu(third, 2, [&] { return !third.program.IsRunning(); }));
  EXPECT_EQ(0u, third.program.ExitCode());
  EXPECT_FALSE(HasTrayIcon(third.form));
  EXPECT_FALSE(HotKeyTaken(MOD_ALT));
}

TEST_F(HandOver, ASlowOlderCopyOrAShownListBreaksTheHandOver) {
  // An older copy that takes a second and a half to let go of the hotkeys.
  Program older;
  ASSERT_EQ(1u, StartReporting(older, "oldcopy.exe", "1500", 1).size());
  FlipDeck newer = StartFlipDeck("FlipDeck.exe", "-trayIcon=false");
  ASSERT_NE(nullptr, newer.form);
  // Once the older copy is gone, only the newer one can hold the hotkeys. (While a
  // process that held them ends, Wine lets a probe register them for a moment.)
  ASSERT_TRUE(older.WaitForExit(5000));
  PumpFor(500);
  EXPECT_TRUE(newer.program.IsRunning());
  EXPECT_TRUE(HotKeysTaken());
  EXPECT_FALSE(HasTrayIcon(newer.form)) << "asked to go without";

  // Closed from outside, then handed over to a newer copy, each while its list is shown.
  for (bool handOver : {false, true}) {
    SCOPED_TRACE(handOver ? "hand-over" : "close request");
    FaultWatch watch(newer.program.Id());
    ASSERT_TRUE(watch.Attached());
    ASSERT_NO_FATAL_FAILURE(ShowSwitcher(newer.form));
    FlipDeck newest;
    if (handOver)
      newest.program = StartProgram("FlipDeck.exe");
    else
      ASSERT_TRUE(PostMessageA(newer.form, WM_CLOSE, 0, 0));
    EXPECT_EQ(0, watch.Faults(10000));
    EXPECT_EQ(0u, newer.program.ExitCode());
    ASSERT_TRUE(ReleaseAlt());
    altHeld = false;
    if (!handOver) {
      newer = StartFlipDeck();
      ASSERT_NE(nullptr, newer.form);
    }
  }
}

// A 32-bit and a 64-bit copy each close the other: the hand-over names the sender's window
// by its 32-bit value.
TEST_F(HandOver, ACopyOfTheOtherArchitectureIsNotTakenOverFrom) {
  const char* thirtyTwoBit = std::getenv("FLIPDECK_I686_EXE");
  if (!thirtyTwoBit || !*thirtyTwoBit || sizeof(void*) == 4)
    GTEST_SKIP() << "needs the 64-bit build on a host that also runs 32-bit programs";
  FlipDeck older = StartFlipDeck(thirtyTwoBit);
  FlipDeck newer = StartFlipDeck();
  ASSERT_TRUE(older.form && newer.form);
  EXPECT_TRUE(older.program.WaitForExit(5000));
  EXPECT_EQ(0u, older.program.ExitCode());
  FlipDeck newest = StartFlipDeck(thirtyTwoBit);
  ASSERT_NE(nullptr, newest.form);
  EXPECT_TRUE(newer.program.WaitForExit(5000));
  EXPECT_EQ(0u, newer.program.ExitCode());
  EXPECT_TRUE(newest.program.IsRunning());
  EXPECT_TRUE(HotKeysTaken());
}

// Wine drops the icons of a destroyed window by itself, so the icon's owner is checked on
// a window that outlives it.
TEST(TrayIconOwner, LeavesItsIconBehind) {
  HWND window = CreateWindowA("STATIC", "tray", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(nullptr, window);
  {
    TTrayIcon icon;
    icon.Add(window);
    EXPECT_TRUE(HasTrayIcon(window));
  }
  EXPECT_FALSE(HasTrayIcon(window));
  DestroyWindow(window);
  EXPECT_EQ(1u, ExtractIconExA((ProgramDir() + "FlipDeck.exe").c_str(), -1, nullptr, nullptr, 0))
      << "the program has no icon of its own";
}

}  // namespace
