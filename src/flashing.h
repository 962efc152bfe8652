// The windows that flashed to ask for attention and have not been activated since; their
// rows are boxed. A window's mark stands for its owned windows too, so that a dialog
// listed in place of its owner shows the owner's mark.
#pragma once

#include <vector>

#include <windows.h>

class TFlashingWindows {
 public:
  // The shell saw the window flash; a window flashing again is marked once.
  void Mark(HWND window);
  // The window was activated: its mark goes, and its owner's.
  void Forget(HWND window);
  // Whether the window or its owner is marked.
  bool IsFlashing(HWND window) const;
  // A window destroyed while it flashed would stay marked for good, and mark a new
  // window that gets its handle value.
  void ForgetGoneWindows();

 private:
  bool Contains(HWND window) const;
  void Remove(HWND window);

  std::vector<HWND> Windows;  // each at most once
};
