#include "trayicon.h"

#include <shellapi.h>

#include "resource.h"

namespace {

const UINT IconId = 1;

NOTIFYICONDATAA IconData(HWND window) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = IconId;
  return data;
}

// Shared icons belong to the system: nothing to give back.
HICON ProgramIcon() {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(IDI_FLIPDECK), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  // Programs without the resource (the tests) show the system's.
  return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

}  // namespace

void TTrayIcon::Add(HWND window) {
  Window = window;
  NOTIFYICONDATAA data = IconData(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = TrayIconMessage;
  data.hIcon = ProgramIcon();
  lstrcpynA(data.szTip, "FlipDeck", sizeof data.szTip);
  Shell_NotifyIconA(NIM_ADD, &data);
}

void TTrayIcon::AddAgain() {
  if (Window) Add(Window);
}

void TTrayIcon::Remove() {
  if (!Window) return;
  NOTIFYICONDATAA data = IconData(Window);
  Shell_NotifyIconA(NIM_DELETE, &data);
  Window = 0;
}
