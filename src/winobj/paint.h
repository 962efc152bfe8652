// Window-object layer: buffered painting, the paint event and background brushes.
#pragma once

#include "objects.h"

// Switches buffered painting for the control; the first call installs the process-wide
// filter and hooks.
void SetBufferedPaint(TWinControl* c, bool on);
// Stores the paint event and attaches the paint handler.
void SetOnPaint(TWinControl* c, TOnPaint handler, void* receiver);
// The brush the control's background is filled with; owned by the layer.
HBRUSH BackgroundBrush(TWinControl* c);

// Attached by NewForm to every form.
bool FormEraseHandler(TWinControl* c, MessageRecord& m, LRESULT& r);
// Attached by NewChildControl to every child control: answers a colour request reflected
// to it (ReflectedColorBase plus the request).
bool ColorReply(TWinControl* c, MessageRecord& m, LRESULT& r);
