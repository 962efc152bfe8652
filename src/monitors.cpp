#include "monitors.h"

#include "dpi.h"

namespace {

TMonitorArea AreaOf(HMONITOR monitor) {
  TMonitorArea area;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoA(monitor, &info)) {
    area.WorkArea = info.rcWork;
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area.WorkArea, 0);
  }
  area.Dpi = MonitorDpi(monitor);
  return area;
}

class TSystemMonitors : public TMonitorGeometry {
 public:
  TMonitorArea OfWindow(HWND window) override {
    if (!window) return OfPoint({0, 0});
    return AreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
  }
  TMonitorArea OfPoint(POINT point) override {
    return AreaOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
  }
};

}  // namespace

TMonitorGeometry* SystemMonitors() {
  static TSystemMonitors monitors;
  return &monitors;
}
