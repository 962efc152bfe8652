// The real FlipDeck.exe starting, handing over and quitting: the start-up leaves the
// desktop as it was, the newest copy takes the hotkeys, an F4 keeps a copy through one
// hand-over, -quit and the notification-area icon's menu end it.
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "farm.h"
#include "faults.h"
#include "messagebox.h"
#include "switcher.h"
#include "toplevel.h"
#include "trayicon.h"
#include "wait.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Registers Alt+Tab (and Alt+Shift+Tab) for a moment: false while another holds either.
bool HotKeysFree() {
  for (UINT modifiers : {MOD_ALT, MOD_ALT | MOD_SHIFT})
    if (!RegisterHotKey(nullptr, 0x7A00, modifiers, VK_TAB)) return false;
  return UnregisterHotKey(nullptr, 0x7A00), UnregisterHotKey(nullptr, 0x7A00), true;
}

// The shell modifies (and deletes) only an icon it holds.
bool TrayIcon(DWORD action, HWND form) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = form;
  data.uID = 1;
  return Shell_NotifyIconA(action, &data) != FALSE;
}

// FlipDeck.exe -quit: its exit code, or STILL_ACTIVE if it did not end in time.
DWORD RunQuit() {
  Program quit = StartProgram("FlipDeck.exe", "-quit");
  return quit.WaitForExit(10000) ? quit.ExitCode() : STILL_ACTIVE;
}

std::string RunValue() {
  char value[1024] = "(none)";
  DWORD size = sizeof value;
  RegGetValueA(HKEY_CURRENT_USER, kRunKey, "FlipDeck", RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

// Opens the icon's menu as a right click does, picks entry 1 "Start at log-on" or 2
// "Exit" with keys and waits until done().
bool ChooseFromTrayMenu(const FlipDeck& copy, int entry, const std::function<bool()>& done) {
  // Under Wine the menu sometimes loses the foreground at once and closes: open it again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    PostMessageA(copy.form, TrayIconMessage, 1, WM_RBUTTONUP);
    HWND menu = WaitForVisibleWindow(copy.program.Id(), "#32768", 2000);
    for (int i = 0; menu && i < entry; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    if (menu && PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0) && WaitUntil(done, 2000))
      return true;
  }
  return false;
}

// Shows the list, presses `keys` (F4 is Alt+F4, a close request, unless Ctrl is held too),
// checks the list stays, then lets go of Alt.
void WithListShown(HWND form, std::initializer_list<std::pair<WORD, bool>> keys) {
  ASSERT_TRUE(ShowList(form) && SendKeys(keys));
  PumpFor(300);
  EXPECT_TRUE(IsShown(form));
  ASSERT_TRUE(ReleaseAlt() && WaitHidden(form));
}

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HotKeysFree()) << "the probes mean something only if nothing holds them";
    ASSERT_TRUE(targets.Open(3));
  }
  void TearDown() override {
    ReleaseAlt();
    HKEY key = nullptr;  // never leave the log-on entry for the next run
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "FlipDeck");
    RegCloseKey(key);
  }
  WindowFarm targets;
};

TEST_F(HandOver, StartUpDisturbsTheDesktopOrTheWrongCopyKeepsTheHotkeys) {
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
  EXPECT_FALSE(HotKeysFree());
  EXPECT_TRUE(TrayIcon(NIM_MODIFY, first.form));
  ASSERT_NO_FATAL_FAILURE(
      WithListShown(first.form, {{VK_CONTROL, true}, {VK_F4, true}, {VK_F4, false},
                                 {VK_CONTROL, false}}));

  // Guarded, the first copy keeps the hotkeys: the newer one waits a few seconds for
  // them, then says so and quits.
  Program second = StartProgram("FlipDeck.exe");
  const DWORD started = GetTickCount();
  HWND box = WaitForVisibleWindow(second.Id(), "#32770", 10000);
  ASSERT_NE(nullptr, box);
  EXPECT_GE(GetTickCount() - started, 3000u);
  EXPECT_EQ("Another program holds Alt+Tab, so FlipDeck cannot take it over and quits.",
            CloseBox(box).Text);
  EXPECT_TRUE(second.WaitForExit(5000));
  EXPECT_EQ(1u, second.ExitCode());
  // A quick Alt+Tab still switches, through the first copy.
  ASSERT_TRUE(targets.Restack());
  ASSERT_TRUE(SendKeys({{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}}));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == targets[1]; }, 5000));

  // The guard held for one hand-over only.
  const std::string options = "-centerX=300 \"-font=FFFFFF\"  -sortAlphabetically=true";
  FlipDeck third = StartFlipDeck("FlipDeck.exe", options);
  ASSERT_NE(nullptr, third.form);
  EXPECT_TRUE(first.program.WaitForExit(1000));
  EXPECT_EQ(0u, first.program.ExitCode());
  EXPECT_FALSE(HotKeysFree());
  // Its own hand-over broadcast comes back to it too.
  const UINT handOver = RegisterWindowMessageA("FlipDeckSuizideMessage");
  ASSERT_TRUE(PostMessageA(third.form, handOver, reinterpret_cast<WPARAM>(third.form), 0));
  PumpFor(500);
  EXPECT_TRUE(third.program.IsRunning());

  // A restarted Explorer has lost the icon and tells every window.
  ASSERT_TRUE(TrayIcon(NIM_DELETE, third.form));
  ASSERT_TRUE(PostMessageA(third.form, RegisterWindowMessageA("TaskbarCreated"), 0, 0));
  EXPECT_TRUE(WaitUntil([&] { return TrayIcon(NIM_MODIFY, third.form); }, 5000));
  // "Start at log-on" writes the command with its options, and takes it away again.
  ASSERT_EQ("(none)", RunValue());
  EXPECT_TRUE(ChooseFromTrayMenu(third, 1, [&] { return RunValue() != "(none)"; }));
  EXPECT_EQ("\"" + ProgramDir() + "FlipDeck.exe\" " + options, RunValue());
  EXPECT_TRUE(ChooseFromTrayMenu(third, 1, [&] { return RunValue() == "(none)"; }));

  // -quit says when F4 kept the copy; "Exit" on the icon's menu ends it regardless, and
  // the icon and the hotkeys go with it, without showing anything.
  ASSERT_TRUE(targets.Restack());
  ASSERT_NO_FATAL_FAILURE(
      WithListShown(third.form, {{VK_CONTROL, true}, {VK_F4, true}, {VK_F4, false},
                                 {VK_CONTROL, false}}));
  const HWND front = GetForegroundWindow();
  EXPECT_EQ(2u, RunQuit());
  EXPECT_TRUE(ChooseFromTrayMenu(third, 2, [&] { return !third.program.IsRunning(); }));
  EXPECT_EQ(0u, third.program.ExitCode());
  EXPECT_FALSE(TrayIcon(NIM_MODIFY, third.form));
  EXPECT_TRUE(HotKeysFree());
  EXPECT_EQ(nullptr, FindWindowA("obj_Form", "Form1"));
  EXPECT_EQ(front, GetForegroundWindow());

  // A 32-bit and a 64-bit copy close each other: the hand-over names the sender's window
  // by its 32-bit value.
  const char* thirtyTwoBit = std::getenv("FLIPDECK_I686_EXE");
  if (!thirtyTwoBit || !*thirtyTwoBit || sizeof(void*) == 4) return;
  FlipDeck older = StartFlipDeck(thirtyTwoBit), newer = StartFlipDeck();
  ASSERT_TRUE(older.form && newer.form);
  EXPECT_TRUE(older.program.WaitForExit(5000));
  FlipDeck newest = StartFlipDeck(thirtyTwoBit);
  ASSERT_NE(nullptr, newest.form);
  EXPECT_TRUE(newer.program.WaitForExit(5000));
  EXPECT_FALSE(HotKeysFree());
}

// An older copy in this process that lets go of the hotkeys 1.5 s after the hand-over.
LRESULT CALLBACK SlowOlderCopy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != RegisterWindowMessageA("FlipDeckSuizideMessage"))
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  Sleep(1500);
  UnregisterHotKey(hwnd, 1);
  UnregisterHotKey(hwnd, 2);
  DestroyWindow(hwnd);
  return 0;
}

TEST_F(HandOver, ASlowOlderCopyOrAShownListBreaksTheHandOver) {
  HWND older = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                             nullptr);
  SetWindowLongPtrA(older, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SlowOlderCopy));
  ASSERT_TRUE(RegisterHotKey(older, 1, MOD_ALT, VK_TAB));
  ASSERT_TRUE(RegisterHotKey(older, 2, MOD_ALT | MOD_SHIFT, VK_TAB));
  FlipDeck copy = StartFlipDeck("FlipDeck.exe", "-trayIcon=false");
  ASSERT_NE(nullptr, copy.form);
  EXPECT_FALSE(IsWindow(older));
  // The copy asks again every 100 ms once the older one has let go.
  EXPECT_TRUE(WaitUntil([] { return !HotKeysFree(); }, 2000));
  EXPECT_FALSE(TrayIcon(NIM_MODIFY, copy.form)) << "asked to go without";

  // Alt+F4 on the list is refused and guards nothing: a close request from outside ends
  // the copy, a new one -quit, each while its list is shown.
  ASSERT_NO_FATAL_FAILURE(WithListShown(copy.form, {{VK_F4, true}, {VK_F4, false}}));
  for (bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "-quit" : "close request");
    FaultWatch watch(copy.program.Id());
    ASSERT_TRUE(ShowList(copy.form));
    ASSERT_TRUE(quit ? RunQuit() == 0 : PostMessageA(copy.form, WM_CLOSE, 0, 0) != FALSE);
    EXPECT_EQ(0, watch.Faults(10000));
    EXPECT_EQ(0u, copy.program.ExitCode());
    ASSERT_TRUE(ReleaseAlt());
    ASSERT_TRUE(quit || (copy = StartFlipDeck()).form);
  }
}

// Wine drops the icons of a destroyed window by itself: the owner is checked on a window
// that outlives it.
TEST(TrayIconOwner, LeavesItsIconBehindOrTheProgramHasNone) {
  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  {
    TTrayIcon icon;
    icon.Add(window);
    EXPECT_TRUE(TrayIcon(NIM_MODIFY, window));
  }
  EXPECT_FALSE(TrayIcon(NIM_MODIFY, window));
  DestroyWindow(window);
  EXPECT_EQ(1u, ExtractIconExA((ProgramDir() + "FlipDeck.exe").c_str(), -1, nullptr, nullptr, 0));
}

}  // namespace
