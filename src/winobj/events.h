// Window-object layer: message dispatch, events and the message loop.
#pragma once

#include "objects.h"

// Messages private to the layer's windows.
// Posted to a main window on WM_NCDESTROY: frees its control once the destruction has
// unwound.
constexpr UINT DeferredFreeMessage = 0xB003;
// A WM_COMMAND passed on to the child control that sent it.
constexpr UINT ReflectedCommandMessage = 0xB005;
// A colour request (WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC) passed on to the child
// control it concerns arrives as this plus the request.
constexpr UINT ReflectedColorBase = 0xBC00;

// Keyboard messages run from WM_KEYFIRST to here, whatever WM_KEYLAST the target defines.
constexpr UINT LastKeyMessage = WM_UNICHAR;

extern TWinControl* MainWindow;
extern bool AppRunning;
extern bool AppTerminated;
// Asked first for every message of every layer window.
extern TMessageHandler PreMessageHook;
extern TControlProc IdleHook;

LRESULT CALLBACK WindowProcedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam);
void DefaultProcessing(TWinControl* c, MessageRecord& m, LRESULT& r);
void AttachHandler(TWinControl* c, TMessageHandler handler);
bool IsMainWindow(TWinControl* c);

// Shift state of key events: MK_SHIFT, MK_CONTROL and AltDown.
DWORD KeyShiftState();

// Handlers the layer attaches to every form and every child control.
bool FormHandler(TWinControl* c, MessageRecord& m, LRESULT& r);
bool ChildControlHandler(TWinControl* c, MessageRecord& m, LRESULT& r);

void Run(TWinControl*& mainControl);
void ProcessMessages(TWinControl* c);
void Terminate(TWinControl*& mainControl);
