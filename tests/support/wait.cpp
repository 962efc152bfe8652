#include "wait.h"

namespace {

// Dispatches everything queued but a WM_QUIT, which it takes out and keeps in quit.
void Dispatch(MSG& quit) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = msg;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Waits for the handle or cond(), whichever is given, looking at cond every `slice` ms:
// other processes send nothing when it changes. True as soon as either holds.
bool PumpingWait(HANDLE handle, DWORD timeoutMs, const std::function<bool()>& cond,
                 DWORD slice = 10) {
  const DWORD start = GetTickCount(), count = handle ? 1 : 0;
  MSG quit = {};
  bool done = false;
  while (!done && !(done = cond && cond())) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) break;
    const DWORD left = timeoutMs - elapsed, wait = cond && left > slice ? slice : left;
    done = MsgWaitForMultipleObjects(count, &handle, FALSE, wait, QS_ALLINPUT) == WAIT_OBJECT_0 &&
           count;
    if (!done) Dispatch(quit);
  }
  if (quit.message == WM_QUIT) PostQuitMessage(static_cast<int>(quit.wParam));
  return done || (cond && cond());
}

}  // namespace

bool WaitUntil(std::function<bool()> cond, DWORD ms) { return PumpingWait(0, ms, cond); }
bool QuickWait(std::function<bool()> cond, DWORD ms) { return PumpingWait(0, ms, cond, 1); }
bool WaitForHandle(HANDLE handle, DWORD ms) { return PumpingWait(handle, ms, nullptr); }
void PumpFor(DWORD ms) { PumpingWait(0, ms, nullptr); }
void PumpPending() {
  MSG quit = {};
  Dispatch(quit);
}
