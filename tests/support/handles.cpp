#include "handles.h"

namespace {

struct Counted {
  DWORD processId;
  int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM counted) {
  ++reinterpret_cast<Counted*>(counted)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam) {
  Counted& counted = *reinterpret_cast<Counted*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != counted.processId) return TRUE;
  // The system's input-method window comes and goes with the thread's other windows.
  char className[8] = "";
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "IME") == 0) return TRUE;
  ++counted.count;
  EnumChildWindows(window, CountChild, lParam);
  return TRUE;
}

}  // namespace

int CountGdiObjects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
    return static_cast<int>(count);
  // Both Wine and Windows accept a handle whose high word is 0 as naming table entry
  // "low word", so every live object is found by trying each index once.
  int count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; index++)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) count++;
  return count;
}

int WindowCount(DWORD processId) {
  Counted counted{processId, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counted));
  // Message-only windows are no top-level windows and have no Z-order.
  for (HWND hwnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
       hwnd = FindWindowExA(HWND_MESSAGE, hwnd, nullptr, nullptr))
    CountTopLevel(hwnd, reinterpret_cast<LPARAM>(&counted));
  return counted.count;
}
