#include "switcher.h"

#include <algorithm>

#include "farm.h"
#include "toplevel.h"
#include "wait.h"
#include "xkeys.h"

FlipDeck StartFlipDeck(const std::string& exe, const std::string& args) {
  const HWND previous = GetForegroundWindow();
  const bool counted = Activations(previous) > 0;
  const int deactivations = Deactivations(previous);
  FlipDeck flipDeck;
  flipDeck.program = StartProgram(exe, args);
  if (!flipDeck.program.IsStarted()) return flipDeck;
  HWND form = nullptr;
  const auto settled = [&] {
    for (HWND hwnd : TopLevelWindows(flipDeck.program.Id(), "obj_Form"))
      if (WindowText(hwnd) == "Form1") form = hwnd;
    return form && (!counted || Deactivations(previous) > deactivations) &&
           GetForegroundWindow() == previous && !IsWindowVisible(form);
  };
  if (WaitUntil(settled, 10000)) flipDeck.form = form;
  return flipDeck;
}

bool IsShown(HWND form) { return IsWindowVisible(form) && GetForegroundWindow() == form; }

bool WaitShown(HWND form, DWORD timeoutMs) {
  return WaitUntil([&] { return IsShown(form); }, timeoutMs);
}

bool WaitHidden(HWND form, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindowVisible(form); }, timeoutMs);
}

bool ShowList(HWND form, bool shift) {
  // Under load the X focus can stay behind on the previous window although the switcher
  // is active, and X keys sent there never reach it.
  return HoldAlt(GetForegroundWindow()) && PressTab(shift) && WaitShown(form) && FocusX(form);
}

std::vector<HWND> OtherListableWindows(const std::vector<DWORD>& processIds) {
  std::vector<HWND> others;
  for (HWND hwnd : TopLevelWindows(0)) {
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    if (std::find(processIds.begin(), processIds.end(), id) == processIds.end() &&
        IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER) &&
        !(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && IsWindowEnabled(hwnd))
      others.push_back(hwnd);
  }
  return others;
}

bool HotKeyTaken(UINT modifiers) {
  const int id = 0x7A00;
  if (!RegisterHotKey(nullptr, id, modifiers, VK_TAB)) return true;
  UnregisterHotKey(nullptr, id);
  return false;
}

bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> inputs;
  for (const auto& key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.first;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key.first, MAPVK_VK_TO_VSC));
    const bool extended = key.first >= VK_LEFT && key.first <= VK_DOWN;
    input.ki.dwFlags = (key.second ? 0 : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(input);
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) ==
         inputs.size();
}

static bool SendMouse(DWORD flags, DWORD data = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return SendInput(1, &input, sizeof input) == 1;
}

bool HoldAlt(HWND focus) { return FocusX(focus) && Xdotool("keydown alt"); }
bool PressTab(bool shift) { return Xdotool(shift ? "key shift+Tab" : "key Tab"); }
bool ReleaseAlt() { return Xdotool("keyup alt"); }

bool Click(POINT at, int button) {
  const DWORD down[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
  // Each button's up flag is twice its down flag.
  return SetCursorPos(at.x, at.y) && SendMouse(down[button - 1]) &&
         SendMouse(down[button - 1] * 2);
}

bool TurnWheel(POINT at, int delta) {
  return SetCursorPos(at.x, at.y) && SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta));
}

void ParkPointer() {
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

POINT RowPoint(HWND form, int index, int dy) {
  RECT bounds = {};
  GetWindowRect(form, &bounds);
  return {bounds.left + kColumnLeft + 40, bounds.top + kFirstRowTop + index * kRowHeight + dy};
}

