// Two thousand Alt+Tab cycles against a set of windows that keeps changing: the switcher
// stays alive, every switch lands on the window the list had selected, and the switcher
// gives back every GDI object and window it made. The switcher is the shipping code built
// by CreateSwitcher in this process and driven through the calls the hotkey and the Alt
// release make (HandleHotKey, then FormKeyUp with VK_MENU). Alt is held through the X
// server meanwhile, so that the paints in between find it down, as they would while a
// user holds it. The windows change in another process (windowfarm.exe), in this
// process, and one window of a third process has stopped answering.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "handles.h"
#include "main.h"
#include "toplevel.h"
#include "wait.h"
#include "windowfarm_client.h"
#include "winobj/events.h"
#include "xkeys.h"

namespace {

const int kCycles = 2000;
// Counts are compared from here on: by then the switcher has made its buffer bitmap and
// its drawing tools, and the system its caches.
const int kWarmUpCycles = 20;



LRESULT CALLBACK LocalWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // With Alt held, a stray Alt release would open the system menu's modal loop.
  if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) return 0;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Windows of this process that change between cycles: retitled, hidden and shown, and
// two owned popups, one dialog-like, shown (and so activated) and hidden again. They are
// made before the counting starts and destroyed after it ends: under Wine, windows made
// and destroyed in a process leave the system's cache of device contexts larger, which
// the counts would show. Windows come and go in the farm instead.
class LocalWindows {
 public:
  void Open() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LocalWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "SoakLocal";
    RegisterClassA(&windowClass);
    for (int i = 0; i < 3; ++i) plain_.push_back(Make(nullptr, 0, "Local " + std::to_string(i)));
    popups_.push_back(Make(plain_[0], WS_EX_DLGMODALFRAME, "Local dialog"));
    popups_.push_back(Make(plain_[1], 0, "Local popup"));
  }
  ~LocalWindows() { Close(); }

  void Close() {
    for (HWND hwnd : plain_) DestroyWindow(hwnd);  // takes the popups along
    plain_.clear();
    popups_.clear();
  }

  void Change(int cycle) {
    state_ = state_ * 1103515245u + 12345u + static_cast<unsigned>(cycle);
    HWND window = plain_[(state_ >> 8) % plain_.size()];
    HWND popup = popups_[(state_ >> 12) % popups_.size()];
    switch ((state_ >> 16) % 4) {
      case 0:
        SetWindowTextA(window, ("Local retitled " + std::to_string(cycle)).c_str());
        break;
      case 1:
        // One stays shown.
        if (window != plain_[0])
          ShowWindow(window, IsWindowVisible(window) ? SW_HIDE : SW_SHOWNOACTIVATE);
        break;
      case 2:
        ShowWindow(popup, IsWindowVisible(popup) ? SW_HIDE : SW_SHOW);
        break;
      case 3:
        SetWindowTextA(popup, ("Local popup " + std::to_string(cycle)).c_str());
        break;
    }
  }

 private:
  static HWND Make(HWND owner, DWORD exStyle, const std::string& title) {
    DWORD style = (owner ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW) | WS_VISIBLE;
    return CreateWindowExA(exStyle, "SoakLocal", title.c_str(), style, 60, 60, 200, 90, owner,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  }

  std::vector<HWND> plain_, popups_;
  unsigned state_ = 1;
};

class SoakTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (altHeld_) Xdotool("keyup alt");
    local_.Close();
    if (Switcher) {
      TWinControl* form = Switcher->Form;
      MainWindow = nullptr;
      Free(form);
    }
  }

  // The start-up Refresh shows the switcher; its first paint finds Alt up and hides it.
  void StartSwitcher() {
    // An earlier test of the session may have left Alt down in the X server.
    ASSERT_TRUE(Xdotool("keyup alt"));
    CreateSwitcher();
    // Hidden, and the window it switched back to active: that happens on the window's own
    // thread, a moment later.
    ASSERT_TRUE(QuickWait(
        [] {
          return !IsWindowVisible(Switcher->Form->Handle) && GetForegroundWindow() != nullptr;
        },
        5000));
  }

  void HoldAlt() {
    HWND focus = GetForegroundWindow();
    ASSERT_TRUE(focus && FocusX(focus));
    ASSERT_TRUE(Xdotool("keydown alt"));
    altHeld_ = true;
    ASSERT_TRUE(QuickWait([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000));
  }

  bool altHeld_ = false;
  LocalWindows local_;
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
  local_.Open();
  ASSERT_TRUE(farm.Churn(0) >= 0);
  ASSERT_NE(hungWindow, GetForegroundWindow());
  // Hung for longer than the test runs; the program is killed at the end.
  hung.Hang(600000);

  ASSERT_NO_FATAL_FAILURE(StartSwitcher());
  ASSERT_NO_FATAL_FAILURE(HoldAlt());

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
    local_.Change(cycle);
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
  Program flipDeck = StartProgram("FlipDeck.exe");
  ASSERT_TRUE(flipDeck.IsStarted());
  HWND form = nullptr;
  ASSERT_TRUE(QuickWait(
      [&] {
        for (HWND hwnd : TopLevelWindows(flipDeck.Id(), "obj_Form")) form = hwnd;
        return form && !IsWindowVisible(form);
      },
      10000));
  // The start-up's own switch back to the foreground window settles first.
  PumpFor(300);
  auto flipDeckWindows = [&] {
    int count = 0;
    for (HWND hwnd : TopLevelWindows(flipDeck.Id())) {
      if (WindowClass(hwnd) == "IME") continue;
      ++count;
      for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    }
    return count;
  };
  const int windowsBefore = flipDeckWindows();

  // Alt goes up again however the test ends.
  struct AltRelease {
    ~AltRelease() { Xdotool("keyup alt"); }
  } altRelease;
  int unanswered = 0;
  for (int cycle = 0; cycle < cycles && unanswered < 5; ++cycle) {
    const HWND before = GetForegroundWindow();
    ASSERT_NE(nullptr, before) << "cycle " << cycle;
    const std::string focus = "windowfocus --sync " + std::to_string(XWindowOf(before));
    ASSERT_TRUE(Xdotool(focus + " keydown alt key Tab")) << "cycle " << cycle;
    const bool shown =
        QuickWait([&] { return IsWindowVisible(form) && GetForegroundWindow() == form; }, 3000);
    ASSERT_TRUE(Xdotool("keyup alt"));
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
    ASSERT_TRUE(flipDeck.IsRunning()) << "cycle " << cycle;
    ASSERT_GE(farm.Churn(cycle), 0);
    PumpFor(20);
  }
  EXPECT_LT(unanswered, 5);
  EXPECT_TRUE(flipDeck.IsRunning());
  EXPECT_EQ(windowsBefore, flipDeckWindows());
}

}  // namespace
