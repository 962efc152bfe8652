// The program's icon in the notification area.
#pragma once

#include <windows.h>

// What the icon sends to its window; lParam is the mouse message.
const UINT TrayIconMessage = WM_APP + 1;

// Removes the icon it added when it is destroyed.
class TTrayIcon {
 public:
  TTrayIcon() = default;
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;
  ~TTrayIcon() { Remove(); }

  // Adds the icon for window with the tooltip "FlipDeck".
  void Add(HWND window);
  // Explorer restarted without the icons it had: adds this one again if it was there.
  void AddAgain();
  void Remove();

 private:
  HWND Window = 0;
};
