#pragma once
// Message boxes of the programs under test.
#include <windows.h>

#include <string>

struct SeenBox {
  std::string Text;
  std::string Caption;
  HWND Owner = nullptr;
  bool HasCancel = true;
};

// Describes a shown message box ("#32770") and presses its OK button; a WM_CLOSE would
// answer IDCANCEL even for an OK-only box.
SeenBox CloseBox(HWND box);
