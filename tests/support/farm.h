#pragma once
// windowfarm.exe (tests/apps/windowfarm.cpp) started and commanded from a test or a
// benchmark: ordinary windows of another process, titled "<prefix> 0" and up, to list
// and switch to, windows of chosen kinds, and on command a set of windows that keeps
// changing.
#include <windows.h>

#include <string>
#include <vector>

#include "../apps/windowfarm.h"
#include "process.h"

class WindowFarm {
 public:
  // Starts the farm with count ordinary windows and waits until window 0 is on top and in
  // the foreground; false if that did not come. Then come the windows of kinds, one
  // "FLAGS|EXSTYLE|OWNER|TITLE" each (see windowfarm.cpp).
  bool Open(int count, const std::string& prefix = "Target",
            const std::vector<std::string>& kinds = {});

  HWND operator[](size_t i) const { return windows_[i]; }
  const std::vector<HWND>& Windows() const { return windows_; }
  int IndexOf(HWND hwnd) const;
  DWORD ProcessId() const { return program_.Id(); }
  bool IsRunning() const { return program_.IsRunning(); }
  // The windows of Open in their current Z-order, topmost first.
  std::vector<HWND> InZOrder() const;
  // Raises the windows of Open from the last to the first, which leaves them in index
  // order in the Z-order and window 0 in the foreground.
  bool Restack();
  // All visible top-level windows of the farm, topmost first.
  std::vector<HWND> VisibleWindows() const;

  // Sends a command and waits for it to be done; -1 if the farm did not answer.
  LRESULT Command(UINT message, WPARAM wParam, DWORD timeoutMs = 60000) const;
  int Add(int count) const { return static_cast<int>(Command(kFarmAdd, count)); }
  int Churn(int step) const { return static_cast<int>(Command(kFarmChurn, step)); }
  // The farm's one thread stops answering for ms milliseconds.
  void Hang(DWORD ms) const { PostMessageA(control_, kFarmHang, ms, 0); }

 private:
  Program program_;
  HWND control_ = nullptr;
  std::vector<HWND> windows_;
};

// The counters every farm window keeps (see windowfarm.h).
int Activations(HWND hwnd);
int Deactivations(HWND hwnd);
int CloseRequests(HWND hwnd);
