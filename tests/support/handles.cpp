#include "handles.h"

#include <windows.h>

// Both Wine and Windows accept a handle whose high word is 0 as naming table entry
// "low word", so every live object is found by trying each index once.
int CountGdiObjects() {
  int count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; index++)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) count++;
  return count;
}

static BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

static BOOL CALLBACK CountOwnTopLevel(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  // The system's input-method window comes and goes with the thread's other windows.
  char className[8] = "";
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "IME") == 0) return TRUE;
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

int CountWindows() {
  int count = 0;
  EnumWindows(CountOwnTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}
