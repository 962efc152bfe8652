// The menu of the notification-area icon.
#include "logon.h"
#include "main.h"

namespace {

enum TrayCommand : UINT { StartAtLogOnCommand = 1, ExitCommand = 2 };

}  // namespace

void TSwitcher::ShowTrayMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  UINT checked = StartsAtLogOn() ? MF_CHECKED : MF_UNCHECKED;
  AppendMenuA(menu, MF_STRING | checked, StartAtLogOnCommand, "Start at log-on");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, ExitCommand, "Exit");
  POINT at = {};
  GetCursorPos(&at);
  // Without the foreground the menu would not close on a click elsewhere; the posted
  // message lets it close properly before the next one opens.
  SetForegroundWindow(Form->Handle);
  UINT command = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, Form->Handle, nullptr));
  PostMessageA(Form->Handle, WM_NULL, 0, 0);
  DestroyMenu(menu);

  if (command == StartAtLogOnCommand) SetStartAtLogOn(!StartsAtLogOn());
  if (command == ExitCommand) {
    // An F4 in the list guards against closing by accident, not against this.
    CloseGuard = false;
    Form->Close();
  }
}
