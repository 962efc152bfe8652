// Makes top-level windows of requested kinds in a process of its own, reports their
// handles and keeps them alive until it is killed.
//
//   window_maker <report-file> <window>...
//
// Each window is "FLAGS|EXSTYLE|OWNER|TITLE":
//   FLAGS   letters, any order: h hidden, d disabled, a activated, r raised to the top
//           without activation, t titled popup instead of an overlapped window, c of the
//           class "Windows.UI.Core.CoreWindow" (a store app's content)
//   EXSTYLE extended style, hexadecimal
//   OWNER   index of an earlier window, or -1
//   TITLE   the rest of the argument, may be empty; \uXXXX is the UTF-16 unit XXXX
//           (hexadecimal), so that any title passes through the command line
//
// All windows are made first, then the disabled ones disabled, then the activated ones
// activated and last the raised ones raised, each in argument order. The report file gets one decimal handle per line, in
// argument order, and appears all at once when everything is in place.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"

namespace {

struct Request {
  std::string Flags;
  DWORD ExStyle = 0;
  int Owner = -1;
  std::wstring Title;
};

bool Has(const Request& r, char flag) { return r.Flags.find(flag) != std::string::npos; }

std::wstring Unescaped(const std::string& text) {
  std::wstring title;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
      title += static_cast<wchar_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
      i += 5;
      continue;
    }
    title += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  }
  return title;
}

bool Parse(const char* text, Request& r) {
  std::string s = text;
  size_t a = s.find('|');
  size_t b = a == std::string::npos ? a : s.find('|', a + 1);
  size_t c = b == std::string::npos ? b : s.find('|', b + 1);
  if (c == std::string::npos) return false;
  r.Flags = s.substr(0, a);
  r.ExStyle = std::strtoul(s.substr(a + 1, b - a - 1).c_str(), nullptr, 16);
  r.Owner = std::atoi(s.substr(b + 1, c - b - 1).c_str());
  r.Title = Unescaped(s.substr(c + 1));
  return true;
}

HWND Make(const Request& r, HWND owner, int index) {
  DWORD style = Has(r, 't') ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
  if (!Has(r, 'h')) style |= WS_VISIBLE;
  int offset = 20 * (index % 10);
  const wchar_t* windowClass = Has(r, 'c') ? L"Windows.UI.Core.CoreWindow" : L"WindowMaker";
  return CreateWindowExW(r.ExStyle, windowClass, r.Title.c_str(), style, 40 + offset,
                         40 + offset, 240, 120, owner, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 2) return 2;

  // Unicode classes, so that titles keep every character.
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"WindowMaker";
  if (!RegisterClassW(&wc)) return 3;
  wc.lpszClassName = L"Windows.UI.Core.CoreWindow";
  if (!RegisterClassW(&wc)) return 3;

  std::vector<Request> requests;
  for (int i = 2; i < __argc; ++i) {
    Request r;
    if (!Parse(__argv[i], r)) return 4;
    requests.push_back(r);
  }

  std::vector<HWND> windows;
  for (size_t i = 0; i < requests.size(); ++i) {
    int owner = requests[i].Owner;
    HWND ownerWindow = owner >= 0 && owner < static_cast<int>(i) ? windows[owner] : nullptr;
    HWND w = Make(requests[i], ownerWindow, static_cast<int>(i));
    if (!w) return 5;
    windows.push_back(w);
  }
  for (size_t i = 0; i < requests.size(); ++i)
    if (Has(requests[i], 'd')) EnableWindow(windows[i], FALSE);
  Settle(40, 50);
  for (size_t i = 0; i < requests.size(); ++i)
    if (Has(requests[i], 'a')) SetForegroundWindow(windows[i]);
  Settle(40, 50);
  for (size_t i = 0; i < requests.size(); ++i)
    if (Has(requests[i], 'r'))
      SetWindowPos(windows[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Settle(40, 50);

  if (!WriteReport(__argv[1], windows)) return 6;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
