// Window-object layer: message dispatch, events and the message loop.
#pragma once

#include "objects.h"

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

// Shift state of key events: 4 Shift, 8 Ctrl, 0x20 Alt.
DWORD KeyShiftState();

// Handlers the layer attaches to every form and every child control.
bool FormHandler(TWinControl* c, MessageRecord& m, LRESULT& r);
bool ChildControlHandler(TWinControl* c, MessageRecord& m, LRESULT& r);

void Run(TWinControl*& mainControl);
void ProcessMessages(TWinControl* c);
void Terminate(TWinControl*& mainControl);
