// Where the list may appear: the monitors' work areas and their DPI.
#pragma once

#include <windows.h>

// One monitor as the list sees it.
struct TMonitorArea {
  RECT WorkArea = {};  // the monitor less the taskbar, in virtual-screen coordinates
  int Dpi = 96;
};

// The monitor geometry the switcher asks; the system's by default, a test's in tests.
class TMonitorGeometry {
 public:
  virtual ~TMonitorGeometry() = default;
  // The monitor that holds most of the window; the primary one for no window.
  virtual TMonitorArea OfWindow(HWND window) = 0;
  // The monitor that holds the point, or the nearest one.
  virtual TMonitorArea OfPoint(POINT point) = 0;
};

// The system's monitors; lives as long as the process.
TMonitorGeometry* SystemMonitors();
