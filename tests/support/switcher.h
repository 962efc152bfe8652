#pragma once
// Driving the real FlipDeck.exe the way a user does: its window, keys, clicks, the wheel
// and the screen.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "process.h"

// The colours of the list without options.
constexpr COLORREF kBackground = RGB(68, 110, 165);
constexpr COLORREF kForeground = RGB(55, 97, 146);
constexpr COLORREF kShadow = RGB(17, 33, 51);
constexpr COLORREF kHighlight = RGB(118, 145, 175);

// Rows of the default height: painted from y 4, the first column at x 10, boxes 20 high.
constexpr int kRowHeight = 32;
constexpr int kFirstRowTop = 4;
constexpr int kColumnLeft = 10;
constexpr int kBoxHeight = 20;

// A running FlipDeck.exe and its form (class "obj_Form", caption "Form1").
struct FlipDeck {
  Program program;
  HWND form = nullptr;
};

// Starts FlipDeck.exe (or `exe`, by its full path) with options `args` and waits until it
// took the foreground once and gave it back with its form hidden; else form is nullptr.
FlipDeck StartFlipDeck(const std::string& exe = "FlipDeck.exe", const std::string& args = "");

bool IsShown(HWND form);  // visible and in the foreground
bool WaitHidden(HWND form, DWORD timeoutMs = 5000);

// Key presses (true) and releases (false) sent together through SendInput.
bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys);

// Alt through the X server, so that it stays held when the switcher takes the foreground
// (see xkeys.h); HoldAlt gives `focus` the X focus first.
bool HoldAlt(HWND focus);
bool ReleaseAlt();
// Holds Alt, presses Tab (or Shift+Tab) and waits until `form` shows with the X focus.
bool ShowList(HWND form, bool shift = false);

bool Click(POINT at, int button = 1);  // 1 left, 2 right, 3 middle
bool TurnWheel(POINT at, int delta);
// Moves the pointer into a corner, away from every window: when the focused X window goes,
// X gives the focus to the window under the pointer.
void ParkPointer();

COLORREF ScreenPixel(int x, int y);
