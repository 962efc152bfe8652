#include "faults.h"

#include "wait.h"

FaultWatch::FaultWatch(DWORD processId) {
  // Debug events go to the thread that attached, so one thread does both.
  thread_ = std::thread([this, processId] {
    if (!DebugActiveProcess(processId)) return void(attached_ = true);
    DebugSetProcessKillOnExit(FALSE);
    int faults = 0;
    attached_ = true;
    DEBUG_EVENT event = {};
    // Never forever: a test that leaves the program running must still end.
    while (WaitForDebugEvent(&event, 60000)) {
      DWORD status = DBG_CONTINUE;
      if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        faults += record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
                  event.u.Exception.dwFirstChance;
        // The program's own handling decides, as without a debugger.
        if (record.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
      }
      if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
        CloseHandle(event.u.CreateProcessInfo.hFile);
      if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) CloseHandle(event.u.LoadDll.hFile);
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
      if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) return void(faults_ = faults);
    }
  });
  WaitUntil([&] { return attached_.load(); }, 10000);
}

int FaultWatch::Faults(DWORD timeoutMs) {
  WaitUntil([&] { return faults_ >= 0; }, timeoutMs);
  return faults_;
}
