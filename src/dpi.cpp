#include "dpi.h"

namespace {

// shcore.dll's GetDpiForMonitor, from Windows 8.1 on; MDT_EFFECTIVE_DPI is 0.
typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);

GetDpiForMonitorProc FindGetDpiForMonitor() {
  HMODULE shcore = LoadLibraryA("shcore.dll");  // kept loaded: the call stays usable
  if (!shcore) return nullptr;
  return reinterpret_cast<GetDpiForMonitorProc>(
      reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (!screen) return StandardDpi;
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : StandardDpi;
}

}  // namespace

int ScaleToDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, StandardDpi); }

int MonitorDpi(HMONITOR monitor) {
  static GetDpiForMonitorProc getDpiForMonitor = FindGetDpiForMonitor();
  UINT x = 0, y = 0;
  if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) && y > 0)
    return static_cast<int>(y);
  return ScreenDpi();
}
