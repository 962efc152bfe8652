// The top-level windows of a process, found from another one.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The top-level windows of the process (of every process for 0), topmost first, hidden
// ones included; only those of the class if className is given.
std::vector<HWND> TopLevelWindows(DWORD processId, const char* className = nullptr);
// Waits, pumping messages, for a visible one of these; nullptr after timeoutMs.
HWND WaitForVisibleWindow(DWORD processId, const char* className, DWORD timeoutMs);

std::string WindowText(HWND hwnd);
