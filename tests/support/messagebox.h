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

// Describes a shown message box and presses OK (a WM_CLOSE would answer IDCANCEL).
SeenBox CloseBox(HWND box);
