#pragma once
// Finding the top-level windows of another process.
#include <windows.h>

#include <string>
#include <vector>

// The top-level windows of the process (of every process for 0), in Z-order (topmost
// first), hidden ones included; only those of the class if className is given.
std::vector<HWND> TopLevelWindows(DWORD processId, const char* className = nullptr);

// Waits (pumping messages) for a visible top-level window of the process and
// class; returns it, or nullptr after timeoutMs.
HWND WaitForVisibleWindow(DWORD processId, const char* className, DWORD timeoutMs);

std::string WindowText(HWND hwnd);
std::string WindowClass(HWND hwnd);
