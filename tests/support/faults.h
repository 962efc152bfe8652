#pragma once
// Access violations of another program, seen as its debugger: also those that never end
// the program, as when 64-bit Wine swallows a fault inside a window procedure.
#include <windows.h>

#include <atomic>
#include <thread>

class FaultWatch {
 public:
  explicit FaultWatch(DWORD processId);  // follows the running process until it exits
  ~FaultWatch() { thread_.join(); }
  // Waits until the process has exited and returns how many access violations it met;
  // -1 if it could not attach or the process did not end within timeoutMs.
  int Faults(DWORD timeoutMs);

 private:
  std::atomic<bool> attached_{false};
  std::atomic<int> faults_{-1};
  std::thread thread_;
};
