// The real FlipDeck.exe driven by keys, the wheel and clicks while it switches between
// windows of another process. Alt and the keys pressed while the list is shown go through
// the X server: one channel keeps them in order with the final Alt release.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "farm.h"
#include "switcher.h"
#include "wait.h"
#include "xkeys.h"

namespace {

// Farm windows and a FlipDeck.exe started at `Dpi`, shared by a suite. Every test starts
// with the windows stacked in index order and the list hidden; they are the only windows
// listed, so list position = window index.
template <int Count, DWORD Dpi>
class Desk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ReleaseAlt();  // a suite before may have failed with Alt held
    if (!targets.Open(Count)) return;
    // Wine reads its DPI when a program starts: only FlipDeck.exe starts at this one.
    HKEY key = nullptr;
    DWORD dpi = Dpi;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), sizeof dpi);
    flipDeck = StartFlipDeck();
    RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
  }
  static void TearDownTestSuite() { flipDeck = {}, targets = {}; }
  void SetUp() override {
    ASSERT_TRUE(flipDeck.program.IsRunning() && Form()) << "FlipDeck did not start";
    ASSERT_TRUE(targets.Restack() && WaitHidden(Form()));
    ParkPointer();
  }
  void TearDown() override {
    if (ReleaseAlt()) WaitHidden(Form(), 2000);
  }

  static HWND Form() { return flipDeck.form; }
  static int Scaled(int pixels) { return MulDiv(pixels, Dpi, 96); }
  // X key names, e.g. "Down Down Up", pressed with Alt held.
  static bool Keys(const std::string& keys) { return keys.empty() || Xdotool("key " + keys); }
  // Waits until the list has hidden and a window is in front: its index, -1 for another.
  static int Activated() {
    EXPECT_TRUE(WaitUntil([] {
      return !IsWindowVisible(Form()) && GetForegroundWindow() && !IsShown(Form());
    }, 5000));
    return targets.IndexOf(GetForegroundWindow());
  }
  // A screen point in column `column` (`pitch` apart), `dy` below the top of row `row`.
  static POINT RowPoint(int row, int dy, int column = 0, int pitch = 0) {
    RECT bounds = {};
    GetWindowRect(Form(), &bounds);
    return {bounds.left + Scaled(kColumnLeft) + column * pitch + Scaled(40),
            bounds.top + Scaled(kFirstRowTop) + row * Scaled(kRowHeight) + Scaled(dy)};
  }
  // Whether row `row` shows these colours where a box has its top and left edges and its
  // bottom edge, clear of label, icon and title.
  static bool RowEdgesAre(int row, COLORREF topAndLeft, COLORREF bottom) {
    const POINT top = RowPoint(row, 0);
    const int left = top.x - Scaled(40) + Scaled(20) - 2;
    return ScreenPixel(left, top.y + Scaled(kBoxHeight) / 2) == topAndLeft &&
           ScreenPixel(left + 12, top.y) == topAndLeft &&
           ScreenPixel(left + 12, top.y + Scaled(kBoxHeight)) == bottom;
  }
  static bool IsSelected(int row) { return RowEdgesAre(row, kShadow, kHighlight); }

  static inline WindowFarm targets;
  static inline FlipDeck flipDeck;
};

// Started at 144 DPI, FlipDeck draws every size half as large again.
using FiveWindows = Desk<5, 144>;

TEST_F(FiveWindows, TheChosenWindowIsNotTheOneActivated) {
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  EXPECT_EQ(6 + 5 * 48 + 6, bounds.bottom - bounds.top) << "not drawn at the screen's scale";
  // Input while the list is shown, from the selection on window 1 after Alt+Tab (on 4
  // after Alt+Shift+Tab, "shift"): X key names; "wheel" and distances, 120 a notch,
  // negative towards the user; "click", the button (1 left, 2 right), row and line within
  // the row; "vk" and a key sent through SendInput (X has no keypad digits without Num
  // Lock). atOnce: activated with Alt still held, else at its release.
  const struct {
    const char* input;
    int activated;
    bool atOnce;
  } cases[] = {
      {"", 1, false},           {"Tab", 2, false},        {"shift", 4, false},
      {"Down Down Up", 2, false}, {"Up Up", 4, false},    {"shift Down", 0, false},
      {"Right", 4, false},      {"Right Right", 2, false}, {"Left", 3, false},
      {"5", 1, false},          {"3", 3, true},           {"vk 98", 2, true},
      {"Down Return", 2, true}, {"Escape", 0, true},      {"wheel 120", 0, false},
      {"wheel -240", 3, false}, {"wheel 60", 1, false},   {"wheel 40 40 40", 0, false},
      {"wheel 250", 4, false},  {"wheel 100 10 10", 0, false},
      {"wheel -30 -30 -30 -30", 2, false}, {"click 1 3 16", 3, true},
      {"click 1 0 0", 0, true}, {"click 2 3 31", 3, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    ASSERT_TRUE(targets.Restack() && WaitHidden(Form()));
    ParkPointer();
    std::string input = c.input;
    const bool shift = input.rfind("shift", 0) == 0;
    if (shift) input.erase(0, input.size() > 5 ? 6 : 5);
    ASSERT_TRUE(ShowList(Form(), shift));
    const std::string word = input.substr(0, input.find(' '));
    std::vector<int> v;
    if (word == "wheel" || word == "click" || word == "vk")
      for (char* p = &input[0] + word.size(); *p;) v.push_back(std::strtol(p, &p, 10));
    bool sent = true;
    if (word == "wheel")
      for (int distance : v) sent = sent && TurnWheel(RowPoint(2, 16), distance);
    else if (word == "click")
      sent = Click(RowPoint(v[1], v[2]), v[0]);
    else if (word == "vk")
      sent = SendKeys({{static_cast<WORD>(v[0]), true}, {static_cast<WORD>(v[0]), false}});
    else
      sent = Keys(input);
    ASSERT_TRUE(sent);
    if (!c.atOnce) {
      PumpFor(200);
      EXPECT_TRUE(IsShown(Form())) << "hid before Alt was released";
      ASSERT_TRUE(ReleaseAlt());
    }
    EXPECT_EQ(c.activated, Activated());
    ASSERT_TRUE(ReleaseAlt());
    PumpFor(100);
    EXPECT_EQ(targets[c.activated], GetForegroundWindow()) << "changed at the release of Alt";
  }
  // A click on another window while the list is shown: only window 2 is at that point.
  ASSERT_TRUE(targets.Restack() && ShowList(Form()) && Click({258, 128}));
  EXPECT_EQ(2, Activated());
  // Alt released before the list could paint: all at once through SendInput, whose Alt
  // the switcher reads as released.
  ASSERT_TRUE(ReleaseAlt() && targets.Restack() && WaitHidden(Form()));
  ASSERT_TRUE(SendKeys({{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}}));
  EXPECT_TRUE(WaitUntil([] { return GetForegroundWindow() != targets[0]; }, 5000));
  EXPECT_EQ(1, Activated()) << "a quick Alt+Tab did not switch";
}

// Windows that asked for attention (the shell's flash notice) are boxed until a notice of
// their activation, or of a popup they own, or a switch to them through the list.
TEST_F(FiveWindows, TheBoxOfAWindowThatAskedForAttentionIsWrong) {
  const struct {
    std::vector<int> flashes;
    WPARAM notice;           // 0: none
    int noticed;             // the window it names, negative: a popup that window owns
    const char* switchKeys;  // pressed in an earlier list
    const char* boxed;       // x: boxed; row 1 is the selection, boxed anyway
  } cases[] = {
      {{4, 4, 4, 3}, 0, 0, nullptr, ".s.xx"},
      {{4, 4, 4, 3}, HSHELL_WINDOWACTIVATED, 4, nullptr, ".s.x."},
      {{3, 2}, HSHELL_RUDEAPPACTIVATED, 3, nullptr, ".sx.."},
      {{2, 4}, HSHELL_WINDOWACTIVATED, -2, nullptr, ".s..x"},
      {{3, 4}, 0, 0, "3", ".s..x"},
  };
  const auto post = [](WPARAM code, HWND window) {
    return PostMessageA(Form(), RegisterWindowMessageA("SHELLHOOK"), code,
                        reinterpret_cast<LPARAM>(window));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "notice " << c.notice << " on " << c.noticed);
    for (int index = 0; index < 5; ++index) post(HSHELL_WINDOWACTIVATED, targets[index]);
    for (int index : c.flashes) ASSERT_TRUE(post(HSHELL_FLASH, targets[index]));
    HWND noticed = targets[std::abs(c.noticed)];
    if (c.noticed < 0)
      noticed = reinterpret_cast<HWND>(
          targets.Command(kFarmOwnedPopup, reinterpret_cast<WPARAM>(noticed)));
    ASSERT_TRUE(!c.notice || post(c.notice, noticed));
    if (c.switchKeys) {
      ASSERT_TRUE(ShowList(Form()) && Keys(c.switchKeys) && ReleaseAlt());
      ASSERT_TRUE(WaitHidden(Form()) && targets.Restack());
    }
    ASSERT_TRUE(ShowList(Form()));
    ASSERT_TRUE(WaitUntil([] { return IsSelected(1); }, 2000)) << "no selection painted";
    for (int row : {0, 2, 3, 4}) {
      const bool boxed = c.boxed[row] == 'x';
      EXPECT_TRUE(RowEdgesAre(row, boxed ? kShadow : kBackground, boxed ? kHighlight : kBackground))
          << "row " << row << (boxed ? " is not boxed" : " is boxed");
    }
    if (c.noticed < 0) PostMessageA(noticed, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ReleaseAlt() && WaitHidden(Form()) && targets.Restack());
  }
}

// Windows of other processes below the targets: one closes while the list is shown, one
// hangs through a whole switch.
TEST_F(FiveWindows, AClosingOrHungWindowStopsTheSwitcher) {
  WindowFarm doomed, hung;
  ASSERT_TRUE(doomed.Open(1, "Doomed") && targets.Restack());
  ASSERT_TRUE(ShowList(Form(), true));  // selects the last: the doomed window
  ASSERT_TRUE(PostMessageA(doomed[0], WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(doomed[0]); }, 5000));
  ASSERT_TRUE(ReleaseAlt());
  EXPECT_TRUE(WaitHidden(Form()));
  PumpFor(300);
  ASSERT_TRUE(flipDeck.program.IsRunning());

  ASSERT_TRUE(hung.Open(1, "Hung") && targets.Restack());
  hung.Hang(8000);
  const auto blocked = [&] {
    return !SendMessageTimeoutA(hung[0], WM_NULL, 0, 0, SMTO_NORMAL, 10, nullptr);
  };
  ASSERT_TRUE(WaitUntil(blocked, 2000));
  ASSERT_TRUE(ShowList(Form()) && Keys("Down") && ReleaseAlt());
  EXPECT_EQ(2, Activated());
  EXPECT_TRUE(blocked());
}

// Labels: digits, letters from the eleventh row, F-keys from the thirty-seventh to the
// forty-eighth; three columns of 18, 18 and 12 rows.
using FortyEightWindows = Desk<48, 96>;

TEST_F(FortyEightWindows, ALabelKeyOrAClosingFromTheListPicksAnotherWindow) {
  for (const auto& key : {std::make_pair("9", 9), std::make_pair("a", 10),
                          std::make_pair("z", 35), std::make_pair("F1", 36),
                          std::make_pair("F12", 47)}) {
    SCOPED_TRACE(key.first);
    ASSERT_TRUE(targets.Restack() && WaitHidden(Form()));
    ASSERT_TRUE(ShowList(Form()) && Keys(key.first));
    EXPECT_EQ(key.second, Activated());
    ASSERT_TRUE(ReleaseAlt());
  }

  ASSERT_TRUE(targets.Restack() && WaitHidden(Form()) && ShowList(Form()));
  RECT bounds = {};
  GetWindowRect(Form(), &bounds);
  // The columns are as wide as "Target 1x" (digits are all as wide), between margins of
  // 10 and the watermark's 18 pixels.
  const int pitch = (bounds.right - bounds.left - 4 * 10 - 18) / 3 + 10;
  // Whether row `row` of column `column` shows a key label: a row that is listed.
  const auto listed = [&](int column, int row) {
    const POINT at = RowPoint(row, 2, column, pitch);
    for (int y = at.y; y < at.y + 14; ++y)
      for (int x = at.x - 40; x < at.x - 28; ++x)
        if (ScreenPixel(x, y) != kBackground) return true;
    return false;
  };
  ASSERT_TRUE(WaitUntil([&] { return listed(2, 11) && IsSelected(1); }, 2000));
  // A middle click on the second column's second row closes window 19 alone.
  ASSERT_TRUE(Click(RowPoint(1, 16, 1, pitch), 3));
  ParkPointer();  // away from the list, which the refresh hides and shows again
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(targets[19]); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !listed(2, 11) && listed(2, 10); }, 5000));
  EXPECT_EQ(0, CloseRequests(targets[18]));
  EXPECT_TRUE(IsSelected(1));
  // Delete closes the selected window 1, and the next row takes its place in the selection.
  ASSERT_TRUE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return !IsWindow(targets[1]); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !listed(2, 10) && IsSelected(1); }, 5000));
  EXPECT_FALSE(IsSelected(0));
  // A window that ignores the request stays listed and selected.
  ASSERT_TRUE(PostMessageA(targets[2], kFarmIgnoreClose, 0, 0));
  ASSERT_TRUE(Keys("Delete"));
  EXPECT_TRUE(WaitUntil([] { return CloseRequests(targets[2]) == 1; }, 5000));
  PumpFor(500);
  EXPECT_TRUE(IsShown(Form()));
  EXPECT_TRUE(listed(2, 9) && IsSelected(1));
  ASSERT_TRUE(ReleaseAlt());
  EXPECT_EQ(2, Activated());
}

}  // namespace
