// Five ordinary overlapped windows of another process, with readable titles,
// two of them in other scripts, and distinct places and colours: something to
// switch between in the demo and in end-to-end tests.
//
//   demowindows [seconds]
//
// Ends after the given number of seconds (default 60), or when all five
// windows are closed; exit code 0 either way.
#include <windows.h>

#include <cstdlib>

namespace {

struct DemoWindow {
  const wchar_t* title;
  int x, y, width, height;
  COLORREF colour;
};

const DemoWindow kWindows[] = {
    {L"Notes - todo.txt", 20, 20, 360, 240, RGB(255, 250, 205)},
    {L"Calculator", 420, 30, 300, 260, RGB(220, 230, 245)},
    // Mail - Inbox (3), in Russian.
    {L"\u041F\u043E\u0447\u0442\u0430 - "
     L"\u0412\u0445\u043E\u0434\u044F\u0449\u0438\u0435 (3)",
     40, 300, 380, 260, RGB(230, 245, 225)},
    // Map - Beijing, in Chinese.
    {L"\u5730\u56FE - \u5317\u4EAC", 250, 170, 300, 200, RGB(245, 225, 230)},
    {L"Terminal", 440, 320, 330, 240, RGB(40, 40, 40)},
};
const int kWindowCount = sizeof kWindows / sizeof kWindows[0];

int openWindows = 0;

void CALLBACK QuitOnTimeout(HWND, UINT, UINT_PTR, DWORD) {
  PostQuitMessage(0);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const DemoWindow& demo = kWindows[GetWindowLongPtrA(hwnd, GWLP_USERDATA)];
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH brush = CreateSolidBrush(demo.colour);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, demo.colour == RGB(40, 40, 40) ? RGB(200, 255, 200) : RGB(0, 0, 0));
  client.left += 12;
  client.top += 12;
  // Tahoma has the other scripts through the fonts linked to it; the system font does not.
  HFONT font = CreateFontW(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  HGDIOBJ previous = SelectObject(dc, font);
  DrawTextW(dc, demo.title, -1, &client, DT_LEFT | DT_TOP | DT_SINGLELINE);
  SelectObject(dc, previous);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_DESTROY:
      if (--openWindows == 0) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const int seconds = commandLine && *commandLine ? std::atoi(commandLine) : 60;

  // A Unicode class, so that the titles keep their characters.
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = L"DemoWindow";
  RegisterClassW(&windowClass);

  for (int i = 0; i < kWindowCount; ++i) {
    const DemoWindow& demo = kWindows[i];
    HWND hwnd = CreateWindowW(L"DemoWindow", demo.title, WS_OVERLAPPEDWINDOW, demo.x, demo.y,
                              demo.width, demo.height, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, i);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    ++openWindows;
  }
  if (seconds > 0) SetTimer(nullptr, 0, seconds * 1000u, QuitOnTimeout);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
