// Ordinary top-level windows of another process for the switcher to list and
// activate, titled "<prefix> 0" to "<prefix> N-1".
//
//   targetwindows <report-file> <count> [prefix]
//
// Window 0 ends up on top of the Z-order and in the foreground, window N-1 at
// the bottom. The report file gets one decimal handle per line, window 0
// first, and appears all at once when every window is in place.
//
// Each window counts how often it was activated and deactivated in the
// window properties "Activations" and "Deactivations", which other processes
// read with GetPropA; "CloseRequests" counts the WM_CLOSE messages it got. A
// posted WM_APP makes the window's thread sleep for wParam milliseconds (a hung
// window); after a posted WM_APP + 1 it ignores WM_CLOSE, as a window that asks
// first would. The program ends when all its windows
// are closed, or after five minutes so that nothing outlives a broken run.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"

namespace {

int openWindows = 0;

void Count(HWND hwnd, const char* name) {
  const UINT_PTR count = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, name)) + 1;
  SetPropA(hwnd, name, reinterpret_cast<HANDLE>(count));
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  const LONG_PTR index = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  HBRUSH brush = CreateSolidBrush(RGB(200 + index % 5 * 10, 230, 200 + index % 3 * 20));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  char title[64] = "";
  GetWindowTextA(hwnd, title, sizeof title);
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, 6, 6, title, lstrlenA(title));
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ACTIVATE:
      Count(hwnd, LOWORD(wParam) == WA_INACTIVE ? "Deactivations" : "Activations");
      break;
    case WM_SYSCOMMAND:
      // An Alt press and release on its own would open the system menu and
      // leave this thread in a modal menu loop that swallows the next keys.
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_APP:
      Sleep(static_cast<DWORD>(wParam));
      return 0;
    case WM_APP + 1:
      SetPropA(hwnd, "IgnoresClose", reinterpret_cast<HANDLE>(1));
      return 0;
    case WM_CLOSE:
      Count(hwnd, "CloseRequests");
      if (GetPropA(hwnd, "IgnoresClose")) return 0;
      break;
    case WM_NCDESTROY:
      RemovePropA(hwnd, "Activations");
      RemovePropA(hwnd, "Deactivations");
      RemovePropA(hwnd, "CloseRequests");
      RemovePropA(hwnd, "IgnoresClose");
      if (--openWindows == 0) PostQuitMessage(0);
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  const int count = std::atoi(__argv[2]);
  const std::string prefix = __argc > 3 ? __argv[3] : "Target";
  if (count < 1) return 2;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = "TargetWindow";
  if (!RegisterClassA(&windowClass)) return 3;

  // Created from the last to the first: each new window goes on top and
  // takes the foreground, which leaves window 0 there.
  std::vector<HWND> windows(count);
  for (int i = count - 1; i >= 0; --i) {
    const std::string title = prefix + " " + std::to_string(i);
    HWND hwnd = CreateWindowA("TargetWindow", title.c_str(), WS_OVERLAPPEDWINDOW,
                              20 + 12 * (i % 20), 20 + 12 * (i % 20), 220, 90, nullptr,
                              nullptr, instance, nullptr);
    if (!hwnd) return 4;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, i);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    ++openWindows;
    windows[i] = hwnd;
  }
  SetForegroundWindow(windows[0]);
  if (!WriteReport(__argv[1], windows)) return 5;
  SetTimer(nullptr, 0, 300000, GiveUp);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
