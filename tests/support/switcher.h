#pragma once
// Driving the real FlipDeck.exe the way a user does: its window, keys, clicks and the
// wheel, and the screen.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

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

// Starts FlipDeck.exe (or `exe`, by its full path) with options `args` and waits for the
// end of its start-up: it took the foreground once and gave it back (seen in a farm
// window's counters), its form is hidden again. form stays nullptr if that did not come.
FlipDeck StartFlipDeck(const std::string& exe = "FlipDeck.exe", const std::string& args = "");

bool IsShown(HWND form);  // visible and in the foreground
bool WaitShown(HWND form, DWORD timeoutMs = 5000);
bool WaitHidden(HWND form, DWORD timeoutMs = 5000);

// The windows the switcher would list that belong to none of the processes.
std::vector<HWND> OtherListableWindows(const std::vector<DWORD>& processIds);

// True when another process holds modifiers+Tab. Registers it for a moment when it is
// free: never call it while a FlipDeck may be registering its hotkeys.
bool HotKeyTaken(UINT modifiers);

// Key presses (true) and releases (false) sent together through SendInput.
bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys);
inline bool KeyDown(WORD vk) { return SendKeys({{vk, true}}); }
inline bool KeyUp(WORD vk) { return SendKeys({{vk, false}}); }
inline bool TapKey(WORD vk) { return SendKeys({{vk, true}, {vk, false}}); }

// Alt through the X server, so that it stays held when the switcher takes the foreground
// (see xkeys.h); HoldAlt gives `focus` the X focus first.
bool HoldAlt(HWND focus);
bool PressTab(bool shift = false);
bool ReleaseAlt();
// Holds Alt, presses Tab (or Shift+Tab) and waits until `form` shows with the X focus.
bool ShowList(HWND form, bool shift = false);

// Mouse input at a screen point; button 1 left, 2 right, 3 middle.
bool Click(POINT at, int button = 1);
bool TurnWheel(POINT at, int delta);
// Moves the pointer into the bottom-right corner, away from every window: when the
// focused X window goes, X gives the focus to the window under the pointer.
void ParkPointer();

COLORREF ScreenPixel(int x, int y);

// A screen point right of the icon in row `index` (from 0) of the first column, `dy`
// pixels below the top of the row's pitch.
POINT RowPoint(HWND form, int index, int dy = kRowHeight / 2);
