#pragma once
// Waiting in tests without blocking this thread's windows: every wait pumps
// the thread's messages, so windows the test owns keep answering other
// processes (and FlipDeck) while the test waits for them.
#include <windows.h>

#include <functional>

// Waits until cond() is true or timeoutMs have passed; returns the last
// cond(). A WM_QUIT met while pumping is posted again when the wait ends.
bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs);

// Waits until the handle is signalled or timeoutMs have passed.
bool WaitForHandle(HANDLE handle, DWORD timeoutMs);

// Pumps messages for ms milliseconds.
void PumpFor(DWORD ms);

// Handles every message waiting for this thread, then returns.
void PumpPending();

// WaitUntil that looks every millisecond, for waits that are measured or repeated
// thousands of times.
bool QuickWait(std::function<bool()> cond, DWORD timeoutMs);
