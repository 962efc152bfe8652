// oldcopy <report-file> <delay-ms>: an older FlipDeck as a newer one meets it. It holds
// Alt+Tab and Alt+Shift+Tab, reports its window once it does, and ends <delay-ms> after a
// newer copy's hand-over message, or after a minute so that nothing outlives a broken run.
#include <windows.h>

#include <cstdlib>

#include "report.h"

namespace {

UINT handOver = 0;
DWORD delay = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == handOver && reinterpret_cast<HWND>(wParam) != hwnd) {
    Sleep(delay);  // busy for a while, then gone, and the hotkeys with the window
    DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  delay = static_cast<DWORD>(std::atoi(__argv[2]));
  handOver = RegisterWindowMessageA("FlipDeckSuizideMessage");

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "OldCopy";
  if (!RegisterClassA(&windowClass)) return 3;
  HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, "OldCopy", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                              nullptr, instance, nullptr);
  if (!hwnd) return 4;
  if (!RegisterHotKey(hwnd, 1, MOD_ALT, VK_TAB) ||
      !RegisterHotKey(hwnd, 2, MOD_ALT | MOD_SHIFT, VK_TAB))
    return 5;
  if (!WriteReport(__argv[1], {hwnd})) return 6;
  SetTimer(hwnd, 0, 60000, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  return 0;
}
