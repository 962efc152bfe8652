// Top-level windows of another process for the end-to-end tests, the benchmarks and the
// demo: ordinary windows, windows of chosen kinds, and on command a changing set of
// windows and owned popups (see windowfarm.h for the commands and the counters).
//
//   windowfarm <report-file> <count> [prefix [window...]]
//
// Makes <count> ordinary windows titled "<prefix> 0" and up, window 0 on top and in the
// foreground, then one window for each further argument "FLAGS|EXSTYLE|OWNER|TITLE":
//   FLAGS   letters: h hidden, d disabled, a activated, r raised without activation,
//           t titled popup instead of an overlapped window, c of the class
//           "Windows.UI.Core.CoreWindow" (a store app's content)
//   EXSTYLE extended style, hexadecimal
//   OWNER   index of an earlier one of these windows, or -1
//   TITLE   the rest; \uXXXX is the UTF-16 unit XXXX, so any title passes the command line
// Those are all made first, then disabled, activated and raised, each step in argument
// order. The report file gets the control window's handle and those of all windows, one
// decimal number a line, and appears all at once. The program ends when its control
// window is closed, or after ten minutes so that nothing outlives a broken run.
#include "windowfarm.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"

namespace {

const wchar_t* const FarmClass = L"FarmWindow";

std::wstring prefix = L"Farm";
int made = 0;
std::vector<HWND> plain;   // ordinary windows without owner
std::vector<HWND> popups;  // owned popups

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
      // Alt pressed and released alone would open the system menu, whose modal loop
      // swallows the next keys.
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_NCDESTROY:
      for (const char* name : kFarmCounters) RemovePropA(hwnd, name);
      RemovePropA(hwnd, "IgnoresClose");
      plain.erase(std::remove(plain.begin(), plain.end(), hwnd), plain.end());
      popups.erase(std::remove(popups.begin(), popups.end(), hwnd), popups.end());
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakePlain(int index, int showCommand) {
  const std::wstring title = prefix + L" " + std::to_wstring(index);
  const int offset = 12 * (index % 30);
  HWND hwnd = CreateWindowW(FarmClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10 + offset,
                            10 + offset, 240, 100, nullptr, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
  if (!hwnd) return nullptr;
  plain.push_back(hwnd);
  ShowWindow(hwnd, showCommand);
  return hwnd;
}

HWND MakePopup(HWND owner, DWORD exStyle, const std::wstring& title, DWORD visible) {
  HWND hwnd = CreateWindowExW(exStyle, FarmClass, title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | visible, 300, 200, 200, 80,
                              owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd) popups.push_back(hwnd);
  return hwnd;
}

std::wstring Unescaped(const std::string& text) {
  std::wstring title;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
      title += static_cast<wchar_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
      i += 5;
    } else {
      title += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
  }
  return title;
}

// Makes the windows of "FLAGS|EXSTYLE|OWNER|TITLE" arguments and appends them to report.
bool MakeKinds(char** args, int count, std::vector<HWND>& report) {
  std::vector<HWND> windows;
  std::vector<std::string> flags;
  for (int i = 0; i < count; ++i) {
    const std::string arg = args[i];
    const size_t a = arg.find('|'), b = arg.find('|', a + 1), c = arg.find('|', b + 1);
    if (a == std::string::npos || b == std::string::npos || c == std::string::npos) return false;
    flags.push_back(arg.substr(0, a));
    const auto has = [&](char flag) { return flags[i].find(flag) != std::string::npos; };
    const DWORD exStyle = std::strtoul(arg.substr(a + 1, b - a - 1).c_str(), nullptr, 16);
    const int owner = std::atoi(arg.substr(b + 1, c - b - 1).c_str());
    const DWORD style = (has('t') ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW) |
                        (has('h') ? 0 : WS_VISIBLE);
    const int offset = 40 + 20 * (i % 10);
    HWND hwnd = CreateWindowExW(exStyle, has('c') ? L"Windows.UI.Core.CoreWindow" : FarmClass,
                                Unescaped(arg.substr(c + 1)).c_str(), style, offset, offset, 240,
                                120, owner >= 0 && owner < i ? windows[owner] : nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    windows.push_back(hwnd);
  }
  for (char step : {'d', 'a', 'r'}) {
    for (int i = 0; i < count; ++i) {
      if (flags[i].find(step) == std::string::npos) continue;
      if (step == 'd') EnableWindow(windows[i], FALSE);
      if (step == 'a') SetForegroundWindow(windows[i]);
      if (step == 'r')
        SetWindowPos(windows[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Settle(40, 50);
  }
  report.insert(report.end(), windows.begin(), windows.end());
  return true;
}

// A small generator of its own, so that a step means the same round on every machine.
struct Dice {
  explicit Dice(unsigned seed) : state(seed * 2654435761u + 12345u) {}
  unsigned Roll(unsigned sides) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % sides;
  }
  unsigned state;
};

// 300 characters, more than a listed title keeps.
std::wstring LongTitle(int step) {
  std::wstring title = prefix + L" " + std::to_wstring(step) + L":";
  while (title.size() < 300) title += L" a rather long document name";
  return title.substr(0, 300);
}

HWND Pick(const std::vector<HWND>& windows, Dice& dice) {
  return windows.empty() ? nullptr : windows[dice.Roll(static_cast<unsigned>(windows.size()))];
}

std::vector<HWND> Visible(const std::vector<HWND>& windows, bool visible) {
  std::vector<HWND> found;
  for (HWND hwnd : windows) {
    if ((IsWindowVisible(hwnd) != 0) == visible) found.push_back(hwnd);
  }
  return found;
}

void ChangeOnce(Dice& dice, int step) {
  const size_t fewest = 3, most = 14, mostPopups = 6;
  switch (dice.Roll(7)) {
    case 0:
      if (plain.size() < most) MakePlain(made++, dice.Roll(2) ? SW_SHOW : SW_SHOWNOACTIVATE);
      break;
    case 1: {
      std::vector<HWND> all = plain;
      all.insert(all.end(), popups.begin(), popups.end());
      if (HWND hwnd = Pick(all, dice)) {
        // Now and then longer than a title can be listed.
        const std::wstring title = dice.Roll(10) == 0 ? LongTitle(step)
                                                      : prefix + L" retitled " +
                                                            std::to_wstring(step);
        SetWindowTextW(hwnd, title.c_str());
      }
      break;
    }
    case 2: {
      std::vector<HWND> shown = Visible(plain, true);
      if (shown.size() > fewest) ShowWindow(Pick(shown, dice), SW_HIDE);
      break;
    }
    case 3:
      if (HWND hwnd = Pick(Visible(plain, false), dice)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
      break;
    case 4:
      // An owner takes its popups with it.
      if (plain.size() > fewest) DestroyWindow(Pick(plain, dice));
      break;
    case 5:
      if (popups.size() < mostPopups) {
        if (HWND owner = Pick(Visible(plain, true), dice))
          MakePopup(owner, dice.Roll(2) ? WS_EX_DLGMODALFRAME : 0,
                    prefix + L" popup " + std::to_wstring(step), WS_VISIBLE);
      }
      break;
    case 6:
      if (HWND hwnd = Pick(popups, dice)) DestroyWindow(hwnd);
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
      ChangeOnce(dice, static_cast<int>(wParam));
      ChangeOnce(dice, static_cast<int>(wParam));
      Settle(20, 15);
      return static_cast<LRESULT>(plain.size() + popups.size());
    }
    case kFarmHang:
      Sleep(static_cast<DWORD>(wParam));
      return 0;
    case kFarmOwnedPopup:
      return reinterpret_cast<LRESULT>(
          MakePopup(reinterpret_cast<HWND>(wParam), 0, L"popup", 0));
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  const int count = std::atoi(__argv[2]);
  if (count < 0) return 2;
  if (__argc > 3) prefix = Unescaped(__argv[3]);

  // Unicode classes, so that titles keep every character.
  WNDCLASSW farm = {};
  farm.lpfnWndProc = FarmWindowProc;
  farm.hInstance = instance;
  farm.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  farm.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  farm.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  farm.lpszClassName = FarmClass;
  if (!RegisterClassW(&farm)) return 3;
  farm.lpszClassName = L"Windows.UI.Core.CoreWindow";
  if (!RegisterClassW(&farm)) return 3;
  WNDCLASSW control = {};
  control.lpfnWndProc = ControlProc;
  control.hInstance = instance;
  control.lpszClassName = L"FarmControl";
  if (!RegisterClassW(&control)) return 3;

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
