#include "messagebox.h"

#include "toplevel.h"

SeenBox CloseBox(HWND box) {
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  SeenBox seen;
  seen.Text = text;
  seen.Caption = WindowText(box);
  seen.Owner = GetWindow(box, GW_OWNER);
  seen.HasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return seen;
}
