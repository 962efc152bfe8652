// The least a switcher can do on Alt+Tab: take the same hotkey and, when it comes, show a
// topmost window and paint it with one FillRect. The responsiveness benchmark times this
// program the way it times FlipDeck.exe, so that the figures show what the system itself
// costs. Hides again when Alt is released or another window is activated.
#include "hotkeyfloor.h"

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY:
      if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
      SetForegroundWindow(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      HBRUSH brush = CreateSolidBrush(kFloorColour);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (wParam == VK_MENU) ShowWindow(window, SW_HIDE);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) ShowWindow(window, SW_HIDE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The switcher runs at this priority too.
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = FloorProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kFloorClass;
  if (!RegisterClassW(&windowClass)) return 1;
  // Where the list of a few windows would be: the middle of the screen.
  const int width = 400, height = 200;
  HWND window = CreateWindowExW(
      WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP,
      (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
      width, height, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  if (!RegisterHotKey(window, 1, MOD_ALT, VK_TAB)) return 2;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  UnregisterHotKey(window, 1);
  return 0;
}
