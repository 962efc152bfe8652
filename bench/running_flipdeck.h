#pragma once
// The real FlipDeck.exe started from bin/, its switcher window, and keys for it.
#include <windows.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "process.h"
#include "toplevel.h"
#include "wait.h"

// The list's colours without options.
constexpr COLORREF kListBackground = RGB(68, 110, 165);
constexpr COLORREF kListSelection = RGB(55, 97, 146);

struct RunningFlipDeck {
  Program program;
  HWND form = nullptr;

  // Starts it and waits until its start-up is over: the form made, shown by the first
  // Refresh and hidden again by the first paint.
  bool Start() {
    program = StartProgram("FlipDeck.exe");
    if (!program.IsStarted()) return false;
    WaitUntil(
        [&] {
          for (HWND hwnd : TopLevelWindows(program.Id(), "obj_Form")) form = hwnd;
          return form != nullptr;
        },
        10000);
    // The hand-over wait alone is 300 ms.
    if (!form || !WaitUntil([&] { return !IsWindowVisible(form); }, 10000)) return false;
    // The start-up gives the foreground back to the window it took it from; the focus
    // events of that come back from the X server a little later.
    PumpFor(300);
    return program.IsRunning();
  }
};

inline bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
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

// A point inside row `index` of the first column of the list, 10 pixels below the row's
// top, right of the icon: the selection box's colour when the row is selected, the
// background's otherwise.
inline POINT RowProbe(const RECT& form, int index) {
  const int firstRowTop = 4, rowHeight = 32;
  return {form.left + 50, form.top + firstRowTop + index * rowHeight + 10};
}
