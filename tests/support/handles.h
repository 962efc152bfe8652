// Counting the GDI objects and windows a process holds, to see what it leaks.
#pragma once
#include <windows.h>

// Live GDI objects of this process (stock objects included: compare counts, not totals).
// Wine's GetGuiResources is a stub that always answers 0, so there they are counted by
// probing the handle table; other processes' objects cannot be counted under Wine.
int CountGdiObjects();
// Top-level, child and message-only windows, the system's input-method window aside.
int WindowCount(DWORD processId);
inline int CountWindows() { return WindowCount(GetCurrentProcessId()); }
