// Thousands of Alt+Tab cycles against a set of windows that keeps changing (windowfarm.exe)
// and one window of a third process that has stopped answering: the switcher stays alive,
// every switch lands on the window the list had selected, and nothing leaks. Alt is held
// through the X server meanwhile, so that the paints in between find it down.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "farm.h"
#include "handles.h"
#include "main.h"
#include "switcher.h"
#include "toplevel.h"
#include "wait.h"
#include "winobj/events.h"
#include "xkeys.h"

namespace {

// Alt goes up again, and the switcher goes, however a test ends.
struct SoakTest : ::testing::Test {
  void TearDown() override {
    ReleaseAlt();
    if (!Switcher) return;
    TWinControl* form = Switcher->Form;
    MainWindow = nullptr;
    Free(form);
  }
};

HWND SelectedWindow() {
  const int i = Switcher->SelectedIndex();
  return i < 0 ? nullptr : Switcher->Entries[i]->Handle;
}

// The shipping switcher built in this process, driven through the calls the hotkey and
// the Alt release make.
TEST_F(SoakTest, ASwitchMissesItsWindowOrTheSwitcherLeaks) {
  const int kCycles = 2000;
  // Counts are compared from here on: by then the switcher has made its buffer bitmap and
  // drawing tools, and the system its caches.
  const int kWarmUpCycles = 20;
  // Under Wine, activating any window while a hung one is in the foreground waits for the
  // hung one: it gives the foreground away before it hangs, and is never switched to.
  WindowFarm farm, hung;
  ASSERT_TRUE(hung.Open(1, "Soak hung"));
  const HWND hungWindow = hung[0];
  ASSERT_TRUE(farm.Open(6, "Soak"));
  ASSERT_GE(farm.Churn(0), 0);
  ASSERT_NE(hungWindow, GetForegroundWindow());
  hung.Hang(600000);  // longer than the test runs; the farm is killed at the end

  // The start-up Refresh shows the switcher; its first paint finds Alt up and hides it,
  // and the window it switched back to becomes active a moment later.
  ASSERT_TRUE(ReleaseAlt());
  CreateSwitcher();
  ASSERT_TRUE(QuickWait(
      [] { return !IsWindowVisible(Switcher->Form->Handle) && GetForegroundWindow(); }, 5000));
  ASSERT_TRUE(HoldAlt(GetForegroundWindow()));
  ASSERT_TRUE(QuickWait([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000));

  int gdiBefore = 0, windowsBefore = 0, missed = 0, cycle = 0;
  for (; cycle < kCycles && missed <= 5; ++cycle) {
    if (cycle == kWarmUpCycles) gdiBefore = CountGdiObjects(), windowsBefore = CountWindows();
    // One to three presses of either hotkey, the list painted after each, and one more
    // where the hung window is selected: it would never take the foreground.
    const WPARAM id = cycle % 5 == 4 ? 2 : 1;
    for (int press = 0; press < 1 + cycle % 3 || SelectedWindow() == hungWindow; ++press) {
      Switcher->HandleHotKey(id);
      PumpPending();
    }
    const HWND selected = SelectedWindow();
    int key = VK_MENU;
    FormKeyUp(Switcher, Switcher->Form, key, 0);
    ASSERT_TRUE(Switcher && IsWindow(Switcher->Form->Handle)) << "cycle " << cycle;
    EXPECT_FALSE(IsWindowVisible(Switcher->Form->Handle)) << "cycle " << cycle;
    if (selected && !QuickWait([&] { return GetForegroundWindow() == selected; }, 3000)) {
      ++missed;
      ADD_FAILURE() << "cycle " << cycle << ": the switch to \"" << WindowText(selected)
                    << "\" ended in \"" << WindowText(GetForegroundWindow()) << "\"";
    }
    ASSERT_GE(farm.Churn(cycle), 0) << "the farm stopped answering at cycle " << cycle;
    PumpPending();
  }
  EXPECT_EQ(kCycles, cycle);
  EXPECT_TRUE(farm.IsRunning());
  PumpPending();
  EXPECT_EQ(gdiBefore, CountGdiObjects());
  EXPECT_EQ(windowsBefore, CountWindows());
}

// The real FlipDeck.exe and real keys, a hundred times: it keeps running, shows its list
// at each press, switches to one of the farm's windows at each release and ends with the
// windows it started with.
TEST_F(SoakTest, TheRealProgramStopsSwitchingOrLeaksWindows) {
  WindowFarm farm;
  ASSERT_TRUE(farm.Open(6, "Soak"));
  FlipDeck flipDeck = StartFlipDeck();
  ASSERT_NE(nullptr, flipDeck.form);
  const HWND form = flipDeck.form;
  const int windowsBefore = WindowCount(flipDeck.program.Id());
  int unanswered = 0;
  for (int cycle = 0; cycle < 100 && unanswered < 5; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const HWND before = GetForegroundWindow();
    ASSERT_NE(nullptr, before);
    ASSERT_TRUE(Xdotool("windowfocus --sync " + std::to_string(XWindowOf(before)) +
                        " keydown alt key Tab"));
    // The X focus follows the foreground a moment later, and the release goes where it is.
    const bool shown = QuickWait([&] { return IsShown(form); }, 3000) && FocusX(form);
    ASSERT_TRUE(ReleaseAlt());
    // Under Wine a press now and then loses Alt on the way, or the activation goes back
    // to a window whose focus events came late; the list then never came up.
    if (!shown) {
      ++unanswered;
      continue;
    }
    EXPECT_TRUE(QuickWait(
        [&] {
          const std::vector<HWND> listed = farm.VisibleWindows();
          return !IsWindowVisible(form) &&
                 std::count(listed.begin(), listed.end(), GetForegroundWindow());
        },
        3000))
        << "after the release \"" << WindowText(GetForegroundWindow()) << "\" is in front";
    ASSERT_TRUE(flipDeck.program.IsRunning());
    ASSERT_GE(farm.Churn(cycle), 0);
    PumpFor(20);
  }
  EXPECT_LT(unanswered, 5);
  EXPECT_TRUE(flipDeck.program.IsRunning());
  EXPECT_EQ(windowsBefore, WindowCount(flipDeck.program.Id()));
}

}  // namespace
