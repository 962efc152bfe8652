// A control's window styles: border, stay-on-top and transparency.
#include "objects.h"

namespace {

// Any of these draws a border around the window.
constexpr DWORD BorderStyles = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME;
// The extended styles of a framed or sunken window, taken away with its border.
constexpr DWORD EdgeExStyles =
    WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT;

void ApplyFrameChange(TWinControl* c) {
  SetWindowPos(c->Handle, 0, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  c->Invalidate();
}

using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

}  // namespace

void TWinControl::SetStyle(DWORD s) {
  if (s == Style) return;
  Style = s;
  if (!Handle) return;
  SetWindowLongA(Handle, GWL_STYLE, s);
  ApplyFrameChange(this);
}

void TWinControl::SetExStyle(DWORD s) {
  if (s == ExStyle) return;
  ExStyle = s;
  if (!Handle) return;
  SetWindowLongA(Handle, GWL_EXSTYLE, s);
  ApplyFrameChange(this);
}

void TWinControl::RefreshStyles() {
  if (!Handle) return;
  Style = GetWindowLongA(Handle, GWL_STYLE);
  ExStyle = GetWindowLongA(Handle, GWL_EXSTYLE);
  ClassStyle = GetClassLongA(Handle, GCL_STYLE);
}

bool TWinControl::HasBorder() {
  RefreshStyles();
  return (Style & BorderStyles) || (ExStyle & WS_EX_CLIENTEDGE);
}

void TWinControl::SetHasBorder(bool b) {
  if (b == HasBorder()) return;
  if (b) {
    if (!IsControl)
      SetStyle(Style | WindowFrameStyles);
    else if (Ctl3D)
      SetExStyle(ExStyle | WS_EX_CLIENTEDGE);
    else
      SetStyle(Style | WS_BORDER);
    return;
  }
  SetStyle((Style & ~WindowFrameStyles) | (IsControl ? 0 : WS_POPUP));
  SetExStyle(ExStyle & ~EdgeExStyles);
}

bool TWinControl::StayOnTop() {
  RefreshStyles();
  return (ExStyle & WS_EX_TOPMOST) != 0;
}

void TWinControl::SetStayOnTop(bool b) {
  if (b == StayOnTop()) return;
  if (Handle) {
    SetWindowPos(Handle, b ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return;
  }
  if (b)
    ExStyle |= WS_EX_TOPMOST;
  else
    ExStyle &= ~WS_EX_TOPMOST;
}

void TWinControl::SetAlpha(DWORD value) {
  if (value == Alpha) return;
  Alpha = value;
  // Looked up at run time: systems without layered windows keep the value only.
  auto setLayered = reinterpret_cast<TSetLayeredWindowAttributes>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("User32"), "SetLayeredWindowAttributes")));
  if (!setLayered) return;
  HWND window = GetHandle();
  if (!window) return;
  DWORD exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  // Only the low byte is the opacity.
  if (LOBYTE(value) == 255) {
    SetWindowLongA(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    return;
  }
  SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  setLayered(window, 0, LOBYTE(value), LWA_ALPHA);
}
