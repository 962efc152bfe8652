#include "wait.h"

namespace {

// Dispatches everything queued. A WM_QUIT is taken out and remembered, so that the wait
// can post it again for the test's own loop.
void Dispatch(bool& quitSeen, WPARAM& quitCode) {
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

// Waits for cond() (if given) or the handle (if given) while pumping, looking at cond
// every `slice` ms: other processes send nothing when it changes. Returns true as soon as
// either holds, false when time is up.
bool PumpingWait(HANDLE handle, DWORD timeoutMs, const std::function<bool()>& cond,
                 DWORD slice = 10) {
  const DWORD start = GetTickCount();
  const DWORD count = handle ? 1 : 0;
  bool quitSeen = false, done = false;
  WPARAM quitCode = 0;
  for (;;) {
    if (cond && cond()) {
      done = true;
      break;
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) break;
    const DWORD left = timeoutMs - elapsed;
    if (MsgWaitForMultipleObjects(count, &handle, FALSE, cond && left > slice ? slice : left,
                                  QS_ALLINPUT) == WAIT_OBJECT_0 && count) {
      done = true;
      break;
    }
    Dispatch(quitSeen, quitCode);
  }
  if (quitSeen) PostQuitMessage(static_cast<int>(quitCode));
  return done;
}

}  // namespace

bool WaitUntil(std::function<bool()> cond, DWORD timeoutMs) {
  return PumpingWait(nullptr, timeoutMs, cond) || cond();
}

bool WaitForHandle(HANDLE handle, DWORD timeoutMs) {
  return PumpingWait(handle, timeoutMs, nullptr);
}

void PumpFor(DWORD ms) { PumpingWait(nullptr, ms, nullptr); }

void PumpPending() {
  bool quitSeen = false;
  WPARAM quitCode = 0;
  Dispatch(quitSeen, quitCode);
}

bool QuickWait(std::function<bool()> cond, DWORD timeoutMs) {
  return PumpingWait(nullptr, timeoutMs, cond, 1) || cond();
}
