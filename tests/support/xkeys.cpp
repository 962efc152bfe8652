#include "xkeys.h"

#include "process.h"

unsigned long XWindowOf(HWND hwnd) {
  // Wine's X11 driver keeps the id in this window property.
  return static_cast<unsigned long>(
      reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "__wine_x11_whole_window")));
}

bool FocusX(HWND hwnd) {
  const unsigned long xid = XWindowOf(hwnd);
  return xid && Xdotool("windowfocus --sync " + std::to_string(xid));
}

bool Xdotool(const std::string& args) {
  // timeout: a --sync that never sees its event must not hang the test.
  return RunUnix("timeout 10 xdotool " + args, nullptr, 15000) == 0;
}
