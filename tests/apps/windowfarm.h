// What windowfarm.exe understands: messages sent (SendMessage, so that a command is done
// when the call returns) or posted to its control window, a message-only window whose
// handle is the first line of the report file.
#pragma once

#include <windows.h>

// wParam n: makes n more ordinary windows, shown without activation, each new one on top.
// Returns the number of ordinary windows made so far.
constexpr UINT kFarmAdd = WM_APP + 1;
// wParam step: one round of changes chosen from step (the same step, the same round):
// windows made, retitled, hidden, shown again and destroyed, owned popups made and
// destroyed. Returns the number of farm windows alive.
constexpr UINT kFarmChurn = WM_APP + 2;
// Posted, wParam ms: the farm's thread stops pumping for that long (a hung program).
constexpr UINT kFarmHang = WM_APP + 3;
// Posted to a farm window: from now on it ignores WM_CLOSE, as a window that asks first.
constexpr UINT kFarmIgnoreClose = WM_APP + 4;

// wParam a farm window: makes a hidden popup owned by it and returns its handle.
constexpr UINT kFarmOwnedPopup = WM_APP + 5;

// Window properties of every farm window that other processes read with GetPropA: how
// often it was activated, deactivated and asked to close.
constexpr const char* kFarmCounters[] = {"Activations", "Deactivations", "CloseRequests"};
