// The commands of windowfarm.exe: messages to its control window, a message-only window
// whose handle is the report's first line. Sent ones are done when the call returns.
#pragma once

#include <windows.h>

// wParam n: makes n more ordinary windows, shown without activation, each new one on top.
// Returns the number of ordinary windows made so far.
constexpr UINT kFarmAdd = WM_APP + 1;
// wParam step: one round of changes, the same for the same step: windows made, retitled,
// hidden, shown and destroyed, owned popups made and destroyed. Returns the windows alive.
constexpr UINT kFarmChurn = WM_APP + 2;
// Posted, wParam ms: the farm's thread stops pumping for that long, as a hung program.
constexpr UINT kFarmHang = WM_APP + 3;
// Posted to a farm window: from now on it ignores WM_CLOSE, as a window that asks first.
constexpr UINT kFarmIgnoreClose = WM_APP + 4;
// wParam a farm window: makes a hidden popup owned by it and returns its handle.
constexpr UINT kFarmOwnedPopup = WM_APP + 5;

// Properties of every farm window, read with GetPropA: how often it was activated,
// deactivated and asked to close.
constexpr const char* kFarmCounters[] = {"Activations", "Deactivations", "CloseRequests"};
