// Counting the GDI objects and windows a process holds, to see what it leaks.
#pragma once
#include <windows.h>

// Live GDI objects of this process, stock objects included: compare counts, not totals.
int CountGdiObjects();
// Top-level, child and message-only windows, the system's input-method window aside.
int WindowCount(DWORD processId);
inline int CountWindows() { return WindowCount(GetCurrentProcessId()); }
