// A control's bounds and client size, read back from its window once there is one.
#include "objects.h"

RECT TWinControl::GetBounds() {
  RECT r = Bounds;
  if (Handle) {
    GetWindowRect(Handle, &r);
    if (IsControl && Parent && Parent->Handle) {
      POINT origin = {0, 0};
      ClientToScreen(Parent->Handle, &origin);
      OffsetRect(&r, -origin.x, -origin.y);
    }
  }
  Bounds = r;
  return r;
}

void TWinControl::SetBounds(const RECT& r) {
  RECT old = GetBounds();
  if (EqualRect(&old, &r)) return;
  if (r.left != old.left) PositionSet |= 1;
  if (r.top != old.top) PositionSet |= 2;
  Bounds = r;
  if (!Handle) return;
  SetWindowPos(Handle, 0, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (RedrawOnResize) Invalidate();
}

int TWinControl::Left() { return GetBounds().left; }
int TWinControl::Top() { return GetBounds().top; }
int TWinControl::Width() {
  RECT r = GetBounds();
  return r.right - r.left;
}
int TWinControl::Height() {
  RECT r = GetBounds();
  return r.bottom - r.top;
}

void TWinControl::SetLeft(int x) {
  RECT r = GetBounds();
  OffsetRect(&r, x - r.left, 0);
  SetBounds(r);
}

void TWinControl::SetTop(int y) {
  RECT r = GetBounds();
  OffsetRect(&r, 0, y - r.top);
  SetBounds(r);
}

void TWinControl::SetWidth(int w) {
  RECT r = GetBounds();
  r.right = r.left + w;
  SetBounds(r);
}

void TWinControl::SetHeight(int h) {
  RECT r = GetBounds();
  r.bottom = r.top + h;
  SetBounds(r);
}

TWinControl* TWinControl::SetPosition(int x, int y) {
  SetLeft(x);
  SetTop(y);
  return this;
}

RECT TWinControl::ClientRect() {
  RECT r = Bounds;
  GetHandle();
  if (Handle) GetClientRect(Handle, &r);
  return r;
}

int TWinControl::ClientWidth() {
  RECT r = ClientRect();
  return r.right - r.left;
}

int TWinControl::ClientHeight() {
  RECT r = ClientRect();
  return r.bottom - r.top;
}

// The client size goes first: it creates the window, whose real size Width then reads.
void TWinControl::SetClientWidth(int w) {
  int client = ClientWidth();
  SetWidth(Width() + w - client);
}

void TWinControl::SetClientHeight(int h) {
  int client = ClientHeight();
  SetHeight(Height() + h - client);
}

TWinControl* TWinControl::SetClientSize(int w, int h) {
  if (w > 0) SetClientWidth(w);
  if (h > 0) SetClientHeight(h);
  return this;
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
