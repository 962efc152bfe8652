// How quickly the real FlipDeck.exe answers Alt+Tab: from the Tab key sent with SendInput
// (Alt held through the X server, so that it stays held once the switcher is in front) to
// the new list on the screen, and from the Alt release to the chosen window in the
// foreground; with 10, 50 and 200 windows of another process open. Beside it, the floor:
// the same measurement for hotkeyfloor.exe, which only shows and fills a window.
#include <cstdlib>
#include <map>

#include "farm.h"
#include "figures.h"
#include "hotkeyfloor.h"
#include "switcher.h"
#include "wait.h"
#include "xkeys.h"

namespace {

const int kPresses = 50;
const int kWarmUps = 3;

bool ShowsNewList(HDC screen, const RECT& form) {
  const auto probe = [&](int row) {
    return POINT{form.left + kColumnLeft + 40, form.top + kFirstRowTop + row * kRowHeight + 10};
  };
  POINT unselected = probe(0), selected = probe(1);
  return GetPixel(screen, selected.x, selected.y) == kForeground &&
         GetPixel(screen, unselected.x, unselected.y) == kBackground;
}

// Waits in steps of about a millisecond without asking the window server anything, which
// would slow the switcher's own calls down.
template <typename Condition>
bool PollFor(Condition condition, double timeoutMs) {
  const double start = NowMs();
  while (!condition()) {
    if (NowMs() - start > timeoutMs) return false;
    Sleep(1);
  }
  return true;
}

struct Press {
  double paintMs = -1;
  double switchMs = -1;
};

// One Alt+Tab and release against the farm's two topmost windows. `form` is where the
// list was shown last time (empty before the first press).
Press PressOnce(const FlipDeck& flipDeck, const WindowFarm& farm, HDC screen,
                RECT& form) {
  Press press;
  std::vector<HWND> windows = farm.VisibleWindows();
  if (windows.size() < 2) return press;
  if (GetForegroundWindow() != windows[0]) {
    SetForegroundWindow(windows[0]);
    WaitUntil([&] { return GetForegroundWindow() == windows[0]; }, 2000);
  }
  const HWND target = windows[1];
  // A fresh Alt press through X, which delivers keys only to the Wine window with the X
  // focus; the previous switch left X's Alt down and Wine's up.
  const std::string focus = "windowfocus --sync " + std::to_string(XWindowOf(windows[0]));
  if (!Xdotool(focus + " keyup alt keydown alt") ||
      !WaitUntil([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000))
    return press;
  // What the last press left on the screen must be gone before this one is timed.
  if (!IsRectEmpty(&form)) PollFor([&] { return !ShowsNewList(screen, form); }, 1000);

  // Let the desktop settle after the last switch: the farm's one thread still repaints
  // the windows the hidden list uncovered, and the switcher's messages to them would
  // wait behind that, which a desktop of many programs does not do.
  Sleep(150);
  const double pressed = NowMs();
  if (!SendKeys({{VK_TAB, true}, {VK_TAB, false}})) return press;
  if (IsRectEmpty(&form)) {
    if (!PollFor([&] { return IsWindowVisible(flipDeck.form) != 0; }, 5000)) return press;
    GetWindowRect(flipDeck.form, &form);
  }
  if (PollFor([&] { return ShowsNewList(screen, form); }, 5000)) press.paintMs = NowMs() - pressed;

  const double released = NowMs();
  if (!SendKeys({{VK_MENU, false}})) return press;
  if (PollFor([&] { return GetForegroundWindow() == target; }, 5000))
    press.switchMs = NowMs() - released;
  return press;
}

// The median first paint, -1 when none was measured.
double Measure(FlipDeck& flipDeck, int windowCount, HDC screen) {
  WindowFarm farm;
  if (!farm.Open(windowCount, "Window")) {
    Note("responsiveness: the farm of %d windows did not start", windowCount);
    return -1;
  }
  RECT form = {};
  Samples paint, release;
  int failures = 0;
  for (int i = 0; i < kWarmUps + kPresses; ++i) {
    Press press = PressOnce(flipDeck, farm, screen, form);
    if (press.paintMs < 0 || press.switchMs < 0) ++failures;
    if (i < kWarmUps) continue;
    if (press.paintMs >= 0) paint.Add(press.paintMs);
    if (press.switchMs >= 0) release.Add(press.switchMs);
  }
  Xdotool("keyup alt");
  if (failures) Note("responsiveness: %d of %d presses at %d windows timed out", failures,
                     kWarmUps + kPresses, windowCount);

  const std::string count = Format("%d windows", windowCount);
  const bool rated = windowCount == 50;
  Row("Alt+Tab to first paint, " + count + " (median / p90)",
      Format("%.1f / %.1f ms (n=%zu)", paint.Median(), paint.Percentile(0.9), paint.Count()),
      rated ? "median <= 16 ms" : "-", rated ? Verdict(paint.Count() && paint.Median() <= 16) : kNoTarget);
  Row("Alt release to target foreground, " + count + " (median / p90)",
      Format("%.1f / %.1f ms (n=%zu)", release.Median(), release.Percentile(0.9),
             release.Count()),
      "-", kNoTarget);
  return paint.Count() ? paint.Median() : -1;
}

// One Alt+Tab for the floor program, pressed as PressOnce presses it, to the floor's
// colour at probe; -1 when it did not come.
double PressFloor(HWND floor, const WindowFarm& farm, HDC screen, POINT probe) {
  std::vector<HWND> windows = farm.VisibleWindows();
  if (windows.empty()) return -1;
  if (GetForegroundWindow() != windows[0]) {
    SetForegroundWindow(windows[0]);
    WaitUntil([&] { return GetForegroundWindow() == windows[0]; }, 2000);
  }
  const std::string focus = "windowfocus --sync " + std::to_string(XWindowOf(windows[0]));
  if (!Xdotool(focus + " keyup alt keydown alt") ||
      !WaitUntil([] { return GetAsyncKeyState(VK_MENU) < 0; }, 2000))
    return -1;
  auto shown = [&] { return GetPixel(screen, probe.x, probe.y) == kFloorColour; };
  PollFor([&] { return !shown(); }, 1000);
  Sleep(150);
  const double pressed = NowMs();
  if (!SendKeys({{VK_TAB, true}, {VK_TAB, false}})) return -1;
  const double paintMs = PollFor(shown, 5000) ? NowMs() - pressed : -1;
  SendKeys({{VK_MENU, false}});
  PollFor([&] { return !IsWindowVisible(floor); }, 2000);
  return paintMs;
}

// The floor's median first paint at windowCount farm windows, -1 when none was measured.
double MeasureFloor(int windowCount, HDC screen) {
  WindowFarm farm;
  if (!farm.Open(windowCount, "Window")) return -1;
  Program program = StartProgram("hotkeyfloor.exe");
  HWND floor = nullptr;
  WaitUntil([&] { return (floor = FindWindowW(kFloorClass, nullptr)) != nullptr; }, 5000);
  if (!floor) {
    Note("responsiveness: hotkeyfloor.exe did not start");
    return -1;
  }
  RECT area;
  GetWindowRect(floor, &area);
  const POINT probe = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  Samples paint;
  for (int i = 0; i < kWarmUps + kPresses; ++i) {
    const double ms = PressFloor(floor, farm, screen, probe);
    if (i >= kWarmUps && ms >= 0) paint.Add(ms);
  }
  Xdotool("keyup alt");
  PostMessageA(floor, WM_CLOSE, 0, 0);
  if (!program.WaitForExit(2000)) program.Kill();
  return paint.Count() ? paint.Median() : -1;
}

void FloorRow(int windowCount, double floorMs, double realMs) {
  const std::string figure =
      Format("Alt+Tab to first paint, %d windows: FlipDeck / bare hotkey floor", windowCount);
  if (floorMs <= 0 || realMs < 0) {
    Row(figure, "not measured", "-", kNoTarget);
    return;
  }
  Row(figure, Format("%.1f / %.1f ms = %.1fx", realMs, floorMs, realMs / floorMs), "-",
      kNoTarget);
}

}  // namespace

int main() {
  const int counts[] = {10, 50, 200};
  // Measured first: the floor takes the hotkey that FlipDeck holds once it runs.
  std::map<int, double> floors;
  HDC screen = GetDC(nullptr);
  for (int count : counts) floors[count] = MeasureFloor(count, screen);

  FlipDeck flipDeck = StartFlipDeck();
  if (!flipDeck.form) {
    Note("responsiveness: FlipDeck.exe did not start");
    return 1;
  }
  for (int count : counts) FloorRow(count, floors[count], Measure(flipDeck, count, screen));
  ReleaseDC(nullptr, screen);
  return flipDeck.program.IsRunning() ? 0 : 1;
}
