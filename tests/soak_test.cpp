// Two thousand Alt+Tab cycles against a set of windows that keeps changing: the switcher
// stays alive, every switch lands on the window the list had selected, and the switcher
// gives back every GDI object and window it made. The switcher is the shipping code built
// by CreateSwitcher in this process and driven through the calls the hotkey and the Alt
// release make (HandleHotKey, then FormKeyUp with VK_MENU). Alt is held through the X
// server meanwhile, so that the paints in between find it down, as they would while a
// user holds it. The windows change in another process (windowfarm.exe), and one window
// of a third process has stopped answering.
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

const int kCycles = 2000;
// Counts are compared from here on: by then the switcher has made its buffer bitmap and
// its drawing tools, and the system its caches.
const int kWarmUpCycles = 20;

class SoakTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (altHeld_) ReleaseAlt();
    if (Switcher) {
      TWinControl* form = Switcher->Form;
      MainWindow = nullptr;
      Free(form);
    }
  }

  // The start-up Refresh shows the switcher; its first paint finds Alt up and hides it.
  void StartSwitcher() {
    // An earlier test of the session may have left Alt down in the X server.
    ASSERT_TRUE(ReleaseAlt());
    CreateSwitcher();
    // Hidden, and the window it switched back to active: that happens on the window's own
    // thread, a moment later.
    ASSERT_TRUE(QuickWait(
        [] {
          return !IsWindowVisible(Switcher->Form->Handle) && GetForegroundWindow() != nullptr;
        },
        5000));
  }

  void HoldAltDown() {
    ASSERT_TRUE(HoldAlt(GetForegroundWindow()));
    altHeld_ = true;
    ASSERT_TRUE(QuickWait([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000));
  }

  bool altHeld_ = false;
};

HWND SelectedWindow() {
  int i = Switcher->SelectedIndex();
  return i < 0 ? nullptr : Switcher->Entries[i]->Handle;
}

TEST_F(SoakTest, EverySwitchLandsAndNothingLeaks) {
  // Under Wine, activating any window while a hung one is in the foreground waits for the
  // hung one to hear about it: the hung window gives the foreground away before it hangs,
  // and is never switched to.
  WindowFarm farm, hung;
  ASSERT_TRUE(hung.Open(1, "Soak hung"));
  const std::vector<HWND> hungWindows = hung.VisibleWindows();
  ASSERT_EQ(1u, hungWindows.size());
  const HWND hungWindow = hungWindows[0];
  ASSERT_TRUE(farm.Open(6, "Soak"));
  ASSERT_TRUE(farm.Churn(0) >= 0);
  ASSERT_NE(hungWindow, GetForegroundWindow());
  // Hung for longer than the test runs; the program is killed at the end.
  hung.Hang(600000);

  ASSERT_NO_FATAL_FAILURE(StartSwitcher());
  ASSERT_NO_FATAL_FAILURE(HoldAltDown());

  int gdiBefore = 0, windowsBefore = 0;
  int missed = 0, cycles = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    if (cycle == kWarmUpCycles) {
      gdiBefore = CountGdiObjects();
      windowsBefore = CountWindows();
    }
    // One to three presses of either hotkey, the list painted after each.
    const WPARAM id = cycle % 5 == 4 ? 2 : 1;
    const int presses = 1 + cycle % 3;
    for (int press = 0; press < presses; ++press) {
      Switcher->HandleHotKey(id);
      PumpPending();
    }
    // The hung window would never take the foreground: one more press passes it by.
    if (SelectedWindow() == hungWindow) {
      Switcher->HandleHotKey(id);
      PumpPending();
    }
    const HWND selected = SelectedWindow();
    int key = VK_MENU;
    FormKeyUp(Switcher, Switcher->Form, key, 0);
    ++cycles;

    ASSERT_NE(nullptr, Switcher) << "cycle " << cycle;
    ASSERT_TRUE(IsWindow(Switcher->Form->Handle)) << "cycle " << cycle;
    EXPECT_FALSE(IsWindowVisible(Switcher->Form->Handle)) << "cycle " << cycle;
    if (selected && !QuickWait([&] { return GetForegroundWindow() == selected; }, 3000)) {
      ++missed;
      ADD_FAILURE() << "cycle " << cycle << ": the switch to \"" << WindowText(selected)
                    << "\" ended in \"" << WindowText(GetForegroundWindow()) << "\"";
      if (missed > 5) break;
    }

    ASSERT_GE(farm.Churn(cycle), 0) << "the farm stopped answering at cycle " << cycle;
    PumpPending();
  }
  EXPECT_EQ(kCycles, cycles);
  EXPECT_EQ(0, missed);
  EXPECT_TRUE(farm.IsRunning());

  PumpPending();
  EXPECT_EQ(gdiBefore, CountGdiObjects());
  EXPECT_EQ(windowsBefore, CountWindows());
}

// The real FlipDeck.exe and real keys, a hundred times, among the farm's changing windows:
// Alt held and Tab pressed through the X server, then Alt released. The program keeps
// running, shows its list at each press, switches to one of the listed windows at each
// release and ends with the windows it started with.
TEST(SoakEndToEnd, RealProgramKeepsSwitching) {
  const int cycles = 100;
  WindowFarm farm;
  ASSERT_TRUE(farm.Open(6, "Soak"));
  FlipDeck flipDeck = StartFlipDeck();
  ASSERT_NE(nullptr, flipDeck.form);
  const HWND form = flipDeck.form;
  const int windowsBefore = WindowCount(flipDeck.program.Id());

  // Alt goes up again however the test ends.
  struct AltRelease {
    ~AltRelease() { ReleaseAlt(); }
  } altRelease;
  int unanswered = 0;
  for (int cycle = 0; cycle < cycles && unanswered < 5; ++cycle) {
    const HWND before = GetForegroundWindow();
    ASSERT_NE(nullptr, before) << "cycle " << cycle;
    const std::string focus = "windowfocus --sync " + std::to_string(XWindowOf(before));
    ASSERT_TRUE(Xdotool(focus + " keydown alt key Tab")) << "cycle " << cycle;
    // The X focus follows the foreground a moment later, and the release goes where it is.
    const bool shown =
        QuickWait([&] { return IsWindowVisible(form) && GetForegroundWindow() == form; }, 3000) &&
        FocusX(form);
    ASSERT_TRUE(ReleaseAlt());
    if (!shown) {
      // Under Wine a press now and then loses Alt on the way, or the activation goes back
      // to a window whose focus events came late; the list then never came up.
      ++unanswered;
      continue;
    }
    EXPECT_TRUE(QuickWait(
        [&] {
          HWND now = GetForegroundWindow();
          const std::vector<HWND> listed = farm.VisibleWindows();
          return !IsWindowVisible(form) && now &&
                 std::find(listed.begin(), listed.end(), now) != listed.end();
        },
        3000))
        << "cycle " << cycle << ": after the release \"" << WindowText(GetForegroundWindow())
        << "\" is in front";
    ASSERT_TRUE(flipDeck.program.IsRunning()) << "cycle " << cycle;
    ASSERT_GE(farm.Churn(cycle), 0);
    PumpFor(20);
  }
  EXPECT_LT(unanswered, 5);
  EXPECT_TRUE(flipDeck.program.IsRunning());
  EXPECT_EQ(windowsBefore, WindowCount(flipDeck.program.Id()));
}

}  // namespace
