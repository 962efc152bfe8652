#pragma once
// Starting and commanding windowfarm.exe (tests/apps/windowfarm.cpp) from a test or a
// benchmark: windows of another process to list and switch to.
#include <windows.h>

#include <string>
#include <vector>

#include "apps/windowfarm.h"
#include "process.h"

class WindowFarm {
 public:
  // Starts the farm with count windows (the last one on top and in the foreground) and
  // waits for its report; false if it did not come.
  bool Open(int count, const std::string& prefix = "Farm") {
    const std::vector<HWND> reported = StartReporting(
        program_, "windowfarm.exe", std::to_string(count) + " " + QuoteArgument(prefix), 1);
    control_ = reported.empty() ? nullptr : reported[0];
    return control_ != nullptr;
  }

  // Sends a command and waits for it to be done; -1 if the farm did not answer.
  LRESULT Command(UINT message, WPARAM wParam, DWORD timeoutMs = 60000) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control_, message, wParam, 0, SMTO_NORMAL, timeoutMs, &result))
      return -1;
    return static_cast<LRESULT>(result);
  }

  int Add(int count) const { return static_cast<int>(Command(kFarmAdd, count)); }
  int Churn(int step) const { return static_cast<int>(Command(kFarmChurn, step)); }
  void Hang(DWORD ms) const { PostMessageA(control_, kFarmHang, ms, 0); }

  DWORD ProcessId() const { return program_.Id(); }
  bool IsRunning() const { return program_.IsRunning(); }

  // The farm's visible top-level windows, topmost first.
  std::vector<HWND> VisibleWindows() const {
    Collected collected{program_.Id(), {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&collected));
    return collected.windows;
  }

 private:
  struct Collected {
    DWORD processId;
    std::vector<HWND> windows;
  };

  static BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
    Collected* collected = reinterpret_cast<Collected*>(lParam);
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    if (id == collected->processId && IsWindowVisible(hwnd)) collected->windows.push_back(hwnd);
    return TRUE;
  }

  Program program_;
  HWND control_ = nullptr;
};
