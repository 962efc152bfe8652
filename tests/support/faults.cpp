#include "faults.h"

#include "wait.h"

FaultWatch::FaultWatch(DWORD processId) {
  attachedEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  exitedEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // Debug events go to the thread that attached, so one thread does both.
  thread_ = std::thread([this, processId] { Follow(processId); });
  WaitForSingleObject(attachedEvent_, 10000);
}

FaultWatch::~FaultWatch() {
  if (thread_.joinable()) thread_.join();
  CloseHandle(attachedEvent_);
  CloseHandle(exitedEvent_);
}

void FaultWatch::Follow(DWORD processId) {
  attached_ = DebugActiveProcess(processId) != 0;
  SetEvent(attachedEvent_);
  if (!attached_) return;
  DebugSetProcessKillOnExit(FALSE);
  for (;;) {
    DEBUG_EVENT event = {};
    // Never forever: a test that leaves the program running must still end.
    if (!WaitForDebugEvent(&event, 60000)) break;
    DWORD status = DBG_CONTINUE;
    if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
      const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
      if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && event.u.Exception.dwFirstChance)
        ++faults_;
      // The program's own handling decides, as without a debugger.
      if (record.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
    }
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile)
      CloseHandle(event.u.CreateProcessInfo.hFile);
    if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile)
      CloseHandle(event.u.LoadDll.hFile);
    const bool exited = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    if (exited) break;
  }
  SetEvent(exitedEvent_);
}

int FaultWatch::Faults(DWORD timeoutMs) {
  if (!attached_ || !WaitForHandle(exitedEvent_, timeoutMs)) return -1;
  return faults_;
}
