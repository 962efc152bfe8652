// Top-level windows of another process for the end-to-end tests and the benchmarks: as
// many ordinary windows as asked for, and on command a changing set of windows and owned
// popups (see windowfarm.h for the commands and the counters).
//
//   windowfarm <report-file> <count> [prefix]
//
// Makes <count> ordinary windows titled "<prefix> 0" and up, window 0 on top and in the
// foreground, then writes the control window's handle and those of the windows, in index
// order, to the report file, which appears all at once. The program ends when its control
// window is closed, or after ten minutes so that nothing outlives a broken run.
#include "windowfarm.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"

namespace {

const char* const FarmClass = "FarmWindow";

std::string prefix = "Farm";
int made = 0;
std::vector<HWND> plain;   // ordinary windows without owner
std::vector<HWND> popups;  // owned popups

void Forget(HWND hwnd) {
  plain.erase(std::remove(plain.begin(), plain.end(), hwnd), plain.end());
  popups.erase(std::remove(popups.begin(), popups.end(), hwnd), popups.end());
}

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
      Forget(hwnd);
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakePlain(int index, int showCommand) {
  const std::string title = prefix + " " + std::to_string(index);
  const int offset = 12 * (index % 30);
  HWND hwnd = CreateWindowA(FarmClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10 + offset,
                            10 + offset, 240, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
  if (!hwnd) return nullptr;
  plain.push_back(hwnd);
  ShowWindow(hwnd, showCommand);
  return hwnd;
}

HWND MakePopup(HWND owner, DWORD exStyle, int step) {
  const std::string title = prefix + " popup " + std::to_string(step);
  HWND hwnd = CreateWindowExA(exStyle, FarmClass, title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU, 300, 200, 200, 80, owner,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!hwnd) return nullptr;
  popups.push_back(hwnd);
  ShowWindow(hwnd, SW_SHOW);
  return hwnd;
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
std::string LongTitle(int step) {
  std::string title = prefix + " " + std::to_string(step) + ":";
  while (title.size() < 300) title += " a rather long document name";
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
        const std::string title = dice.Roll(10) == 0 ? LongTitle(step)
                                                     : prefix + " retitled " +
                                                           std::to_string(step);
        SetWindowTextA(hwnd, title.c_str());
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
          MakePopup(owner, dice.Roll(2) ? WS_EX_DLGMODALFRAME : 0, step);
      }
      break;
    case 6:
      if (HWND hwnd = Pick(popups, dice)) DestroyWindow(hwnd);
      break;
  }
}

LRESULT Churn(int step) {
  Dice dice(static_cast<unsigned>(step));
  ChangeOnce(dice, step);
  ChangeOnce(dice, step);
  Settle(20, 15);
  return static_cast<LRESULT>(plain.size() + popups.size());
}

LRESULT Add(int count) {
  for (int i = 0; i < count; ++i) MakePlain(made++, SW_SHOWNOACTIVATE);
  Settle(20, 15);
  return made;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kFarmAdd:
      return Add(static_cast<int>(wParam));
    case kFarmChurn:
      return Churn(static_cast<int>(wParam));
    case kFarmHang:
      Sleep(static_cast<DWORD>(wParam));
      return 0;
    case kFarmOwnedPopup:
      return reinterpret_cast<LRESULT>(CreateWindowExA(
          0, FarmClass, "popup", WS_POPUP | WS_CAPTION, 0, 0, 100, 50,
          reinterpret_cast<HWND>(wParam), nullptr, GetModuleHandleA(nullptr), nullptr));
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 3) return 2;
  const int count = std::atoi(__argv[2]);
  if (count < 0) return 2;
  if (__argc > 3) prefix = __argv[3];

  WNDCLASSA farm = {};
  farm.lpfnWndProc = FarmWindowProc;
  farm.hInstance = instance;
  farm.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  farm.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  farm.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  farm.lpszClassName = FarmClass;
  WNDCLASSA control = {};
  control.lpfnWndProc = ControlProc;
  control.hInstance = instance;
  control.lpszClassName = "FarmControl";
  if (!RegisterClassA(&farm) || !RegisterClassA(&control)) return 3;

  HWND controlWindow = CreateWindowA("FarmControl", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     instance, nullptr);
  if (!controlWindow) return 4;
  // From the last to the first: each new window goes on top and takes the foreground.
  std::vector<HWND> report(count + 1, controlWindow);
  for (int i = count - 1; i >= 0; --i) report[i + 1] = MakePlain(i, SW_SHOWNORMAL);
  made = count;
  if (count > 0) SetForegroundWindow(report[1]);
  Settle(20, 15);
  if (!WriteReport(__argv[1], report)) return 5;
  SetTimer(nullptr, 0, 600000, GiveUp);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
