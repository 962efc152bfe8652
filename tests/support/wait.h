#pragma once
// Waits that pump this thread's messages, so that the test's own windows keep answering
// other processes (and FlipDeck) meanwhile. A WM_QUIT met while pumping is posted again.
#include <windows.h>

#include <functional>

// Until cond() holds or timeoutMs have passed; returns the last cond().
bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs);
// WaitUntil that looks every millisecond, for waits that are measured or repeated often.
bool QuickWait(std::function<bool()> cond, DWORD timeoutMs);
bool WaitForHandle(HANDLE handle, DWORD timeoutMs);
void PumpFor(DWORD ms);
// Handles every message waiting for this thread, then returns.
void PumpPending();
