#pragma once
// Keys through the X server (XTEST, via xdotool). Wine re-reads the keyboard state from X
// whenever a window is activated, so a key that must stay held across an activation (Alt
// during Alt+Tab) has to come from X. XTEST keys reach Wine only through the Wine window
// that has the X focus.
#include <windows.h>

#include <string>

// The X window behind a Wine top-level window; 0 while it has none.
unsigned long XWindowOf(HWND hwnd);
// Gives hwnd's X window the X focus and waits until it has it.
bool FocusX(HWND hwnd);
// Runs `xdotool <args>`, e.g. Xdotool("keydown alt key Tab"); true if it succeeded.
bool Xdotool(const std::string& args);
