#pragma once
// Access violations of another program, seen as its debugger: also those that never end
// the program, as when 64-bit Wine swallows a fault inside a window procedure and the
// program then exits with code 0.
#include <windows.h>

#include <atomic>
#include <thread>

class FaultWatch {
 public:
  explicit FaultWatch(DWORD processId);  // follows the running process until it exits
  ~FaultWatch();
  FaultWatch(const FaultWatch&) = delete;
  FaultWatch& operator=(const FaultWatch&) = delete;

  bool Attached() const { return attached_; }
  // Waits until the process has exited (or timeoutMs passed: -1) and returns how many
  // access violations it met.
  int Faults(DWORD timeoutMs);

 private:
  void Follow(DWORD processId);

  std::thread thread_;
  HANDLE attachedEvent_ = nullptr;
  HANDLE exitedEvent_ = nullptr;
  std::atomic<bool> attached_{false};
  std::atomic<int> faults_{0};
};
