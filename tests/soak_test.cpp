// Thousands of Alt+Tab cycles of the shipped switcher, built in this process, through the
// calls the hotkey, the idle loop and the Alt release make, against windows that keep
// changing and one that has stopped answering. Alt is held through the X server meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include "farm.h"
#include "handles.h"
#include "main.h"
#include "switcher.h"
#include "toplevel.h"
#include "wait.h"
#include "winobj/events.h"

namespace {

struct Soak : ::testing::Test {
  void TearDown() override {
    ReleaseAlt();
    if (Switcher) MainWindow = nullptr, Free(Switcher->Form);
  }
};

TEST_F(Soak, ASwitchMissesItsWindowOrTheSwitcherLeaks) {
  const int kCycles = 2000, kWarmUpCycles = 20;  // by then buffers, tools and caches exist
  // Under Wine, activating any window while a hung one is in the foreground waits for the
  // hung one: it gives the foreground away before it hangs, and is never switched to.
  WindowFarm farm, hung;
  ASSERT_TRUE(hung.Open(1, "Soak hung"));
  ASSERT_TRUE(farm.Open(6, "Soak"));
  ASSERT_GE(farm.Churn(0), 0);
  hung.Hang(600000);  // longer than the test runs; the farm is killed at the end

  // A switcher's whole life: its GDI objects all go back with it. While it lives, how many
  // it holds depends on which icons its list has shown, so they are counted after it.
  int windowsLeft = 0, missed = 0;  // windows just before the switcher goes
  const auto live = [&](int cycles) {
    // The start-up Refresh shows the switcher; its first paint finds Alt up and hides it.
    ASSERT_TRUE(ReleaseAlt());
    CreateSwitcher();
    TWinControl* form = Switcher->Form;
    ASSERT_TRUE(QuickWait(
        [&] { return !IsWindowVisible(form->Handle) && GetForegroundWindow(); }, 5000));
    ASSERT_TRUE(HoldAlt(GetForegroundWindow()));
    ASSERT_TRUE(QuickWait([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000));
    for (int cycle = 0; cycle < cycles; ++cycle) {
      // One to three presses of either hotkey, and more while the hung window is selected.
      HWND selected = nullptr;
      for (int press = 0; press < 1 + cycle % 3 || selected == hung[0]; ++press) {
        Switcher->HandleHotKey(cycle % 5 == 4 ? 2 : 1);
        PumpPending();
        IdleHook(form);
        const int i = Switcher->SelectedIndex();
        selected = i < 0 ? nullptr : Switcher->Entries[i]->Handle;
      }
      int key = VK_MENU;
      FormKeyUp(Switcher, form, key, 0);
      ASSERT_FALSE(IsWindowVisible(form->Handle)) << "cycle " << cycle;
      if (selected && !QuickWait([&] { return GetForegroundWindow() == selected; }, 3000)) {
        ADD_FAILURE() << "cycle " << cycle << ": the switch to \"" << WindowText(selected)
                      << "\" ended in \"" << WindowText(GetForegroundWindow()) << "\"";
        ASSERT_LE(++missed, 5);
      }
      ASSERT_GE(farm.Churn(cycle), 0) << "the farm stopped answering at cycle " << cycle;
      PumpPending();
    }
    windowsLeft = CountWindows();
    ASSERT_TRUE(ReleaseAlt());
    MainWindow = nullptr, Free(form);
    PumpPending();
  };
  live(kWarmUpCycles);
  ASSERT_FALSE(HasFatalFailure());
  const int windowsBefore = windowsLeft, gdiBefore = CountGdiObjects();
  live(kCycles);
  EXPECT_EQ(windowsBefore, windowsLeft);
  EXPECT_EQ(gdiBefore, CountGdiObjects());
}

}  // namespace
