// Sizes given for 96 DPI, and the DPI of a monitor.
#pragma once

#include <windows.h>

const int StandardDpi = 96;

// A size in pixels at 96 DPI, at the given DPI instead; rounded to the nearest pixel.
int ScaleToDpi(int pixels, int dpi);

// The monitor's DPI where the system tells it per monitor, otherwise the screen's.
int MonitorDpi(HMONITOR monitor);

// Sent from Windows 8.1 on; the headers hide it from builds for older Windows.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
