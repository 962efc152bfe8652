#include "switcher.h"

#include <vector>

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

bool WaitHidden(HWND form, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindowVisible(form); }, timeoutMs);
}

bool ShowList(HWND form, bool shift) {
  // Under load the X focus can stay behind on the previous window although the switcher
  // is active, and X keys sent there never reach it.
  return HoldAlt(GetForegroundWindow()) && Xdotool(shift ? "key shift+Tab" : "key Tab") &&
         WaitUntil([&] { return IsShown(form); }, 5000) && FocusX(form);
}

bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> inputs;
  for (const auto& key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.first;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key.first, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = key.second ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) ==
         inputs.size();
}

bool HoldAlt(HWND focus) { return FocusX(focus) && Xdotool("keydown alt"); }
bool ReleaseAlt() { return Xdotool("keyup alt"); }

static bool SendMouse(POINT at, DWORD flags, DWORD data = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return SetCursorPos(at.x, at.y) && SendInput(1, &input, sizeof input) == 1;
}

bool Click(POINT at, int button) {
  const DWORD down[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
  // Each button's up flag is twice its down flag.
  return SendMouse(at, down[button - 1]) && SendMouse(at, down[button - 1] * 2);
}

bool TurnWheel(POINT at, int delta) {
  return SendMouse(at, MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta));
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
