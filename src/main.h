// The switcher controller.
#pragma once

#include <vector>

#include "drawing.h"
#include "flashing.h"
#include "iconcache.h"
#include "monitors.h"
#include "trayicon.h"
#include "uTWindowInfo.h"
#include "winobj/objects.h"

class TSwitcher : public TWinObject {
 public:
  void Initialize();
  void Start();
  void RetryHotKeys();
  void StartSwitching();
  void ReadOptions();

  // Window list.
  void Refresh();
  void ChooseMonitor();
  void AdjustBounds();
  void PaintEntries();
  void AskForIcons();

  // Input.
  void HandleHotKey(WPARAM id);
  int SelectedIndex();
  // Moves the selection this many rows forward (back where negative), wrapping around
  // the list, and repaints once.
  void MoveSelection(int steps);
  // Switches to the entry's window, forgets its attention mark and hides the list.
  void ActivateEntry(TFlipDeckEntry* entry);
  // The same for the selected entry; with none, only hides.
  void ActivateSelected();

  // Closing windows from the list.
  void CloseEntry(TFlipDeckEntry* entry);
  void CheckClosedWindows();
  void RefreshKeepingSelection();

  // The notification-area icon's menu.
  void ShowTrayMenu();

  TWinControl* Form = nullptr;
  TWinControl* PaintBox = nullptr;
  bool CloseGuard = false;
  UINT HandOverMessage = 0;
  UINT ShellHookMessage = 0;
  bool ShellHookRegistered = false;
  int CloseChecksLeft = 0;
  bool UseTrayIcon = true;
  UINT TaskbarCreatedMessage = 0;
  TTrayIcon TrayIcon;
  int CenterX = 0;
  int CenterY = 0;
  bool CenterGiven = false;  // by -centerX or -centerY: then the list centres there
  TMonitorGeometry* Monitors = SystemMonitors();  // not owned
  TMonitorArea Monitor;                           // where the list goes, set by ChooseMonitor
  bool SortAlphabetically = false;
  std::vector<TFlipDeckEntry*> Entries;  // not owned: Refresh frees them
  TFlashingWindows FlashingWindows;
  TFlipDeckPainter* Painter = nullptr;
  TListLayout Layout;     // made by AdjustBounds for the current Entries
  TIconCache Icons;
  int WheelDistance = 0;  // wheel turned since the last whole step
  DWORD HotKeyDeadline = 0;

  // Start waits this long for an older copy to give up the hotkeys.
  static const UINT_PTR HotKeyTimer = 1;
  static const DWORD HotKeyWait = 5000;
  // The form's timer that looks again for windows closed from the list.
  static const UINT_PTR CloseCheckTimer = 2;
  // A private message the form swallows: it is answered as handled and does nothing.
  static const UINT SwallowedMessage = WM_USER + 1;

 protected:
  ~TSwitcher() override;
};

extern TSwitcher* Switcher;
// The process's exit code: 1 when the start-up gave up.
extern int ExitCode;

void CreateSwitcher();
// The parts of CreateSwitcher before Start: the controller with its form and paint box,
// then their event handlers.
void BuildSwitcher();
void WireSwitcherEvents();

// Event handlers; the receiver is always the TSwitcher.
bool FormMessage(void* switcher, MessageRecord& m, LRESULT& r);
void FormCloseQuery(void* switcher, TWinControl* sender, bool& accept);
void FormMouseWheel(void* switcher, TWinControl* sender, MouseRecord& mouse);
void FormKeyDown(void* switcher, TWinControl* sender, int& key, DWORD shift);
void FormKeyUp(void* switcher, TWinControl* sender, int& key, DWORD shift);
void FormShow(void* switcher, TWinObject* sender);
void PaintBoxMouseUp(void* switcher, TWinControl* sender, MouseRecord& mouse);
void PaintBoxPaint(void* switcher, TWinControl* sender, HDC dc);

// Enumeration helpers.
BOOL CALLBACK EnumWindowCallback(HWND window, LPARAM lParam);
// The rules that may change while a window lives (its class is checked once, when it is
// first listed). owner: the window's owner, set when the rules get that far.
bool IsSwitchable(HWND window, HWND& owner);
int CompareTitles(const TFlipDeckEntry* a, const TFlipDeckEntry* b);
extern HWND LastForeground;
