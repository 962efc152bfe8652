// Windows that the desktop window manager keeps visible but hides from the user
// ("cloaked"): windows on other virtual desktops, suspended store apps and their empty
// frames, shell surfaces. Windows 8 and later only.
#pragma once

#include <windows.h>

using TGetWindowAttribute = HRESULT(WINAPI*)(HWND window, DWORD attribute, void* value,
                                             DWORD size);

// The cloak state that get reports for window, non-zero when cloaked; 0 when get is
// missing or fails.
DWORD ReadCloak(TGetWindowAttribute get, HWND window);
// ReadCloak with DwmGetWindowAttribute, looked up once in the system's dwmapi.dll, which
// Windows XP does not have.
DWORD DwmCloakState(HWND window);
// The enumeration asks this one; DwmCloakState unless a test puts its own in.
extern DWORD (*QueryCloak)(HWND window);
