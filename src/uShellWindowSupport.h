// user32 exports that the MinGW import headers do not declare.
#pragma once

#include <windows.h>

extern "C" {
__declspec(dllimport) BOOL WINAPI RegisterShellHookWindow(HWND hwnd);
}
