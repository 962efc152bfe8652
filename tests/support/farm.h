// windowfarm.exe (tests/apps/windowfarm.cpp) started and commanded from a test or a
// benchmark: ordinary windows of another process titled "<prefix> 0" and up, windows of
// chosen kinds, and on command a set of windows that keeps changing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../apps/windowfarm.h"
#include "process.h"

class WindowFarm {
 public:
  // Starts the farm with count ordinary windows and one window for each kind
  // "FLAGS|EXSTYLE|OWNER|TITLE"; false unless it reported them all, and window 0 of count
  // came to the foreground.
  bool Open(int count, const std::string& prefix = "Target",
            const std::vector<std::string>& kinds = {});

  HWND operator[](size_t i) const { return windows_[i]; }
  const std::vector<HWND>& Windows() const { return windows_; }
  int IndexOf(HWND hwnd) const;  // -1 for none of Open's windows
  DWORD ProcessId() const { return program_.Id(); }
  bool IsRunning() const { return program_.IsRunning(); }
  // The windows of Open in their current Z-order, topmost first.
  std::vector<HWND> InZOrder() const;
  // Raises the windows of Open so that they lie in index order, window 0 in the foreground.
  bool Restack();
  // All visible top-level windows of the farm, topmost first.
  std::vector<HWND> VisibleWindows() const;

  // Sends a command and waits for it to be done; -1 if the farm did not answer.
  LRESULT Command(UINT message, WPARAM wParam, DWORD timeoutMs = 60000) const;
  int Add(int count) const { return static_cast<int>(Command(kFarmAdd, count)); }
  int Churn(int step) const { return static_cast<int>(Command(kFarmChurn, step)); }
  void Hang(DWORD ms) const { PostMessageA(control_, kFarmHang, ms, 0); }

 private:
  Program program_;
  HWND control_ = nullptr;
  std::vector<HWND> windows_;
};

// The counters of a farm window (see windowfarm.h).
inline int FarmCounter(HWND hwnd, const char* name) {
  return static_cast<int>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, name)));
}
inline int Activations(HWND hwnd) { return FarmCounter(hwnd, "Activations"); }
inline int Deactivations(HWND hwnd) { return FarmCounter(hwnd, "Deactivations"); }
inline int CloseRequests(HWND hwnd) { return FarmCounter(hwnd, "CloseRequests"); }
