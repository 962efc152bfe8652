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

// Row geometry with the default 32-pixel rows: rows are painted from y 4,
// the first column at x 10, an entry's box 20 pixels high.
constexpr int kRowHeight = 32;
constexpr int kFirstRowTop = 4;
constexpr int kColumnLeft = 10;
constexpr int kBoxHeight = 20;

// A running FlipDeck.exe and its form (class "obj_Form", caption "Form1").
struct FlipDeck {
  Program program;
  HWND form = nullptr;
};

// Starts FlipDeck.exe from bin/ and waits for the end of its start-up, in which it takes
// the foreground once from the window that has it and gives it back (seen in the
// counters of a farm window): its form is hidden again and its hotkeys are registered. form stays nullptr if any of that fails.
// `exe` may name another build's copy by its full path; `args` are its options.
FlipDeck StartFlipDeck(const std::string& exe = "FlipDeck.exe", const std::string& args = "");

bool IsShown(HWND form);  // visible and in the foreground
bool WaitShown(HWND form, DWORD timeoutMs = 5000);
bool WaitHidden(HWND form, DWORD timeoutMs = 5000);

// Visible, enabled, unowned top-level windows without WS_EX_TOOLWINDOW that
// belong to none of the processes: windows other than the test's own that
// the switcher would list.
std::vector<HWND> OtherListableWindows(const std::vector<DWORD>& processIds);

// True when another process holds modifiers+Tab as a hotkey. Registers it
// for a moment when it is free, so never call it while a FlipDeck may be
// registering its hotkeys.
bool HotKeyTaken(UINT modifiers);

// Key presses (true) and releases (false) sent together through SendInput.
bool SendKeys(std::initializer_list<std::pair<WORD, bool>> keys);
inline bool KeyDown(WORD vk) { return SendKeys({{vk, true}}); }
inline bool KeyUp(WORD vk) { return SendKeys({{vk, false}}); }
inline bool TapKey(WORD vk) { return SendKeys({{vk, true}, {vk, false}}); }

// Alt held through the X server, so that it stays held when the switcher takes the
// foreground (see xkeys.h). HoldAlt gives the X focus to the X window of `focus` first:
// X keys reach Wine only through it.
bool HoldAlt(HWND focus);
bool PressTab(bool shift = false);
bool ReleaseAlt();
// Holds Alt on the foreground window, presses Tab (or Shift+Tab) and waits
// until `form` shows the list and has the X focus.
bool ShowList(HWND form, bool shift = false);

// Mouse input at a screen point; button 1 left, 2 right, 3 middle.
bool Click(POINT at, int button = 1);
bool TurnWheel(POINT at, int delta);
// Moves the pointer to the bottom-right screen corner, away from every
// window: when the focused X window goes away, the X server gives the focus
// to the window under the pointer, and Wine then activates that window.
void ParkPointer();

COLORREF ScreenPixel(int x, int y);

// A screen point inside row `index` of the switcher's list (first column,
// rows counted from 0), `dy` pixels below the top of the row's pitch, right of the
// icon: the selection's colour when the row is selected, the background's otherwise.
POINT RowPoint(HWND form, int index, int dy = kRowHeight / 2);
