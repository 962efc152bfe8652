#include "wait.h"

namespace {

// Dispatches everything queued. A WM_QUIT is taken out and remembered, so
// that the wait can post it again for the test's own loop.
void PumpPending(bool& quitSeen, WPARAM& quitCode) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitSeen = true;
      quitCode = msg.wParam;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Waits for cond() (if given) or the handles (count may be 0) while pumping;
// returns true as soon as either holds, false when time is up.
bool PumpingWait(DWORD count, const HANDLE* handles, DWORD timeoutMs,
                 const std::function<bool()>& cond) {
  const DWORD start = GetTickCount();
  bool quitSeen = false;
  WPARAM quitCode = 0;
  bool done = false;
  for (;;) {
    if (cond && cond()) {
      done = true;
      break;
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) break;
    DWORD slice = timeoutMs - elapsed;
    // Other processes send nothing when cond changes: look again often.
    if (cond && slice > 10) slice = 10;
    const DWORD waited = MsgWaitForMultipleObjects(count, handles, FALSE, slice, QS_ALLINPUT);
    if (count > 0 && waited < WAIT_OBJECT_0 + count) {
      done = true;
      break;
    }
    PumpPending(quitSeen, quitCode);
  }
  if (quitSeen) PostQuitMessage(static_cast<int>(quitCode));
  return done;
}

}  // namespace

bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs) {
  return PumpingWait(0, nullptr, timeoutMs, cond) || cond();
}

bool WaitForHandle(HANDLE handle, DWORD timeoutMs) {
  return PumpingWait(1, &handle, timeoutMs, nullptr);
}

void PumpFor(DWORD ms) {
  PumpingWait(0, nullptr, ms, nullptr);
}

void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool QuickWait(std::function<bool()> cond, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    PumpPending();
  }
  return true;
}
