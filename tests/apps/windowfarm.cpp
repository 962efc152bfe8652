// Top-level windows of another process for the end-to-end tests, the benchmarks and the demo:
//
//   windowfarm <report-file> <count> [prefix [window...]]
//
// Makes <count> ordinary windows titled "<prefix> 0" and up, window 0 on top and in the
// foreground, then one window for each further argument "FLAGS|EXSTYLE|OWNER|TITLE":
//   FLAGS   h hidden, d disabled, a activated, t titled popup instead of an overlapped
//           window, c of a store app's content class
//   EXSTYLE the extended style in hexadecimal; OWNER the index of an earlier one, or -1
//   TITLE   the rest; \uXXXX is the UTF-16 unit XXXX, so any title passes the command line
// These are all made, then disabled, then activated, each step in argument order. The
// report gets the control window's handle, then the windows'. Commands: windowfarm.h.
#include "windowfarm.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"

namespace {

std::wstring prefix = L"Farm";
int made = 0;
std::vector<HWND> plain, popups;  // ordinary windows without owner; owned popups

void Count(HWND hwnd, const char* name) {
  const UINT_PTR count = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, name)) + 1;
  SetPropA(hwnd, name, reinterpret_cast<HANDLE>(count));
}

LRESULT CALLBACK FarmWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ACTIVATE:
      Count(hwnd, LOWORD(wParam) == WA_INACTIVE ? "Deactivations" : "Activations");
      break;
    case kFarmIgnoreClose:
      SetPropA(hwnd, "IgnoresClose", reinterpret_cast<HANDLE>(1));
      return 0;
    case WM_CLOSE:
      Count(hwnd, "CloseRequests");
      if (GetPropA(hwnd, "IgnoresClose")) return 0;
      break;
    case WM_SYSCOMMAND:
      // Alt pressed and released alone opens the system menu, whose loop swallows keys.
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_NCDESTROY:
      for (const char* name : kFarmCounters) RemovePropA(hwnd, name);
      RemovePropA(hwnd, "IgnoresClose");
      for (auto* list : {&plain, &popups})
        list->erase(std::remove(list->begin(), list->end(), hwnd), list->end());
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND Make(const std::wstring& title, DWORD style, DWORD exStyle, HWND owner, int at,
          const wchar_t* className = L"FarmWindow") {
  return CreateWindowExW(exStyle, className, title.c_str(), style, at, at, 240, 100, owner,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

HWND MakePlain(int index, int showCommand) {
  HWND hwnd = Make(prefix + L" " + std::to_wstring(index), WS_OVERLAPPEDWINDOW, 0, nullptr,
                   10 + 12 * (index % 30));
  if (!hwnd) return nullptr;
  plain.push_back(hwnd);
  ShowWindow(hwnd, showCommand);
  return hwnd;
}

HWND MakePopup(HWND owner, DWORD exStyle, const std::wstring& title, DWORD visible) {
  HWND hwnd = Make(title, WS_POPUP | WS_CAPTION | WS_SYSMENU | visible, exStyle, owner, 300);
  if (hwnd) popups.push_back(hwnd);
  return hwnd;
}

std::wstring Unescaped(const std::string& text) {
  std::wstring title;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool unit = text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size();
    title += unit ? static_cast<wchar_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16))
                  : static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    if (unit) i += 5;
  }
  return title;
}

// Makes the windows of "FLAGS|EXSTYLE|OWNER|TITLE" arguments and appends them to report.
bool MakeKinds(char** args, int count, std::vector<HWND>& report) {
  const size_t first = report.size();
  std::vector<std::string> flags;
  for (int i = 0; i < count; ++i) {
    const std::string arg = args[i];
    const size_t a = arg.find('|'), b = arg.find('|', a + 1), c = arg.find('|', b + 1);
    if (c == std::string::npos) return false;
    flags.push_back(arg.substr(0, a));
    const bool popup = flags[i].find('t') != std::string::npos;
    const DWORD style = (popup ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW) |
                        (flags[i].find('h') == std::string::npos ? WS_VISIBLE : 0);
    const int owner = std::atoi(arg.substr(b + 1, c - b - 1).c_str());
    const bool content = flags[i].find('c') != std::string::npos;
    HWND hwnd = Make(Unescaped(arg.substr(c + 1)), style,
                     std::strtoul(arg.substr(a + 1, b - a - 1).c_str(), nullptr, 16),
                     owner >= 0 && owner < i ? report[first + owner] : nullptr,
                     40 + 8 * (i % 10), content ? L"Windows.UI.Core.CoreWindow" : L"FarmWindow");
    if (!hwnd) return false;
    report.push_back(hwnd);
  }
  for (char step : {'d', 'a'}) {
    for (int i = 0; i < count; ++i) {
      if (flags[i].find(step) == std::string::npos) continue;
      if (step == 'd') EnableWindow(report[first + i], FALSE);
      if (step == 'a') SetForegroundWindow(report[first + i]);
    }
    Settle(40, 50);
  }
  return true;
}

// A generator of its own, so that a step means the same round on every machine.
struct Dice {
  explicit Dice(unsigned seed) : state(seed * 2654435761u + 12345u) {}
  unsigned Roll(size_t sides) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % static_cast<unsigned>(sides);
  }
  HWND Pick(const std::vector<HWND>& windows) {
    return windows.empty() ? nullptr : windows[Roll(windows.size())];
  }
  unsigned state;
};

// One change: a window made, retitled, hidden, shown again or destroyed (with its popups),
// or an owned popup made or destroyed.
void ChangeOnce(Dice& dice, int step) {
  const std::wstring name = prefix + L" " + std::to_wstring(step);
  std::vector<HWND> shown, hidden, all = plain;
  for (HWND hwnd : plain) (IsWindowVisible(hwnd) ? shown : hidden).push_back(hwnd);
  all.insert(all.end(), popups.begin(), popups.end());
  switch (dice.Roll(7)) {
    case 0:
      if (plain.size() < 14) MakePlain(made++, dice.Roll(2) ? SW_SHOW : SW_SHOWNOACTIVATE);
      break;
    case 1:
      if (HWND hwnd = dice.Pick(all)) {
        std::wstring title = name + L" retitled";
        if (dice.Roll(10) == 0)  // now and then a long one
          while (title.size() < 300) title += L" a rather long document name";
        SetWindowTextW(hwnd, title.c_str());
      }
      break;
    case 2:
      if (shown.size() > 3) ShowWindow(dice.Pick(shown), SW_HIDE);
      break;
    case 3:
      if (HWND hwnd = dice.Pick(hidden)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
      break;
    case 4:
      if (plain.size() > 3) DestroyWindow(dice.Pick(plain));
      break;
    case 5:
      if (HWND owner = popups.size() < 6 ? dice.Pick(shown) : nullptr)
        MakePopup(owner, dice.Roll(2) ? WS_EX_DLGMODALFRAME : 0, name + L" popup", WS_VISIBLE);
      break;
    case 6:
      if (HWND hwnd = dice.Pick(popups)) DestroyWindow(hwnd);
      break;
  }
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kFarmAdd:
      for (WPARAM i = 0; i < wParam; ++i) MakePlain(made++, SW_SHOWNOACTIVATE);
      Settle(20, 15);
      return made;
    case kFarmChurn: {
      Dice dice(static_cast<unsigned>(wParam));
      for (int change = 0; change < 2; ++change) ChangeOnce(dice, static_cast<int>(wParam));
      Settle(20, 15);
      return static_cast<LRESULT>(plain.size() + popups.size());
    }
    case kFarmHang:
      Sleep(static_cast<DWORD>(wParam));
      return 0;
    case kFarmOwnedPopup:
      return reinterpret_cast<LRESULT>(MakePopup(reinterpret_cast<HWND>(wParam), 0, L"popup", 0));
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const int count = __argc < 3 ? -1 : std::atoi(__argv[2]);
  if (count < 0) return 2;
  if (__argc > 3) prefix = Unescaped(__argv[3]);

  // Unicode classes, so that titles keep every character.
  WNDCLASSW farm = {0, FarmWindowProc, 0, 0, instance, LoadIconA(nullptr, IDI_APPLICATION),
                    LoadCursorA(nullptr, IDC_ARROW),
                    static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, L"FarmWindow"};
  WNDCLASSW content = farm, control = {};
  content.lpszClassName = L"Windows.UI.Core.CoreWindow";
  control.lpfnWndProc = ControlProc;
  control.hInstance = instance;
  control.lpszClassName = L"FarmControl";
  if (!RegisterClassW(&farm) || !RegisterClassW(&content) || !RegisterClassW(&control)) return 3;
  HWND controlWindow = CreateWindowW(L"FarmControl", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     instance, nullptr);
  if (!controlWindow) return 4;
  // From the last to the first: each new window goes on top and takes the foreground.
  std::vector<HWND> report(count + 1, controlWindow);
  for (int i = count - 1; i >= 0; --i) report[i + 1] = MakePlain(i, SW_SHOWNORMAL);
  made = count;
  if (count > 0) SetForegroundWindow(report[1]);
  Settle(20, 15);
  if (__argc > 4 && !MakeKinds(__argv + 4, __argc - 4, report)) return 5;
  if (!WriteReport(__argv[1], report)) return 6;
  SetTimer(nullptr, 0, 600000, GiveUp);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
