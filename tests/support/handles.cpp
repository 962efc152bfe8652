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
  char className[8] = "";  // the input-method window comes and goes with the thread's others
  GetClassNameA(window, className, sizeof className);
  if (process != counted.processId || lstrcmpA(className, "IME") == 0) return TRUE;
  ++counted.count;
  EnumChildWindows(window, CountChild, lParam);
  return TRUE;
}

}  // namespace

int CountGdiObjects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
  // Wine answers 0 above, but takes a handle whose high word is 0 as naming table entry
  // "low word", as Windows does: every live object is found by trying each index once.
  int count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; index++)
    count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return count;
}

int WindowCount(DWORD processId) {
  Counted counted{processId, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counted));
  // Message-only windows are not enumerated with the top-level ones.
  for (HWND hwnd = FindWindowExA(HWND_MESSAGE, 0, 0, 0); hwnd;
       hwnd = FindWindowExA(HWND_MESSAGE, hwnd, 0, 0))
    CountTopLevel(hwnd, reinterpret_cast<LPARAM>(&counted));
  return counted.count;
}
