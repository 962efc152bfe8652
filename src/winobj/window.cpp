// A control's window: creating it on demand, its text, visibility, focus and repaints.
#include <string.h>

#include <string>

#include "canvas.h"
#include "events.h"
#include "objects.h"

namespace {

void DoNothing(TWinControl*) {}

// Class styles a layer class is never registered with, whatever a superclassed system
// class carries: every layer window draws on DCs of the common cache, which the canvas
// gets and gives back, and its class stays the module's own.
constexpr UINT UnsharedClassStyles = CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS;

// New windows start with the focus rectangle hidden until the keyboard is used.
constexpr WPARAM HideFocusRectangle = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);

}  // namespace

TControlProc RealignHook = DoNothing;
TControlProc AfterCreateHook = DoNothing;
TControlProc AfterInvalidateHook = DoNothing;
TWinControl* CreatingControl = nullptr;

HICON TWinControl::FormIcon() {
  if (Icon == (HICON)-1) return 0;
  if (Icon) return Icon;
  if (MainWindow && MainWindow != this && MainWindow->Icon && MainWindow->Icon != (HICON)-1)
    Icon = (HICON)CopyImage(MainWindow->Icon, IMAGE_ICON, 0, 0, 0);
  else
    Icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  return Icon;
}

bool TWinControl::CreateWindow() {
  if (Parent && !Parent->GetHandle()) return false;
  if (Handle) {
    for (int i = 0; i < Children->Count; i++)
      static_cast<TWinControl*>(Children->Items[i])->CreateWindow();
    if (CreatedHidden) {
      SetVisible(true);
      CreatedHidden = false;
    }
    return true;
  }

  DWORD style = Style | (Enabled ? 0 : WS_DISABLED);
  int x = Bounds.left, y = Bounds.top;
  int w = Bounds.right - Bounds.left, h = Bounds.bottom - Bounds.top;
  if (w == 0) w = CW_USEDEFAULT;
  if (h == 0) h = CW_USEDEFAULT;
  if (!IsControl && PositionSet == 0) x = y = CW_USEDEFAULT;
  HWND parentWindow = Parent ? Parent->Handle : 0;
  HINSTANCE instance = GetModuleHandleA(nullptr);

  WNDCLASSA wc = {};
  wc.style = ClassStyle;
  wc.lpfnWndProc = BaseWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // Superclassing: a system class of that name lends its procedure, cursor and background.
  if (BaseClassName) GetClassInfoA(instance, BaseClassName, &wc);
  wc.hInstance = instance;
  wc.style &= ~UnsharedClassStyles;
  if (!BaseWndProc) BaseWndProc = wc.lpfnWndProc;
  if (!parentWindow && (style & WS_CHILD)) return false;

  std::string className = std::string("obj_") + (BaseClassName ? BaseClassName : "");
  WNDCLASSA existing;
  if (!GetClassInfoA(instance, className.c_str(), &existing)) {
    wc.lpszClassName = className.c_str();
    wc.lpfnWndProc = WindowProcedure;
    if (!RegisterClassA(&wc)) return false;
  }

  CreatingControl = this;
  Handle = CreateWindowExA(ExStyle, className.c_str(), Caption ? Caption : "", style, x, y, w,
                           h, parentWindow, (HMENU)(UINT_PTR)ControlId, instance, nullptr);
  if (!Handle) {
    CreatingControl = nullptr;
    return false;
  }
  SendMessageA(Handle, WM_UPDATEUISTATE, HideFocusRectangle, 0);
  if (!GetPropA(Handle, "SELF_")) {
    CreatingControl = nullptr;
    SetPropA(Handle, "SELF_", this);
  }
  if (!IsControl) SendMessageA(Handle, WM_SETICON, ICON_BIG, (LPARAM)FormIcon());
  AfterCreateHook(this);
  if (FontTool) {
    TextColor = FontTool->Color();
    SendMsg(WM_SETFONT, (WPARAM)FontTool->Handle(), 1);
    // The canvas may be the caller (its DC provider creates the window): it takes the
    // font over instead of being made anew.
    if (CanvasObject) Assign(CanvasObject->Font(), FontTool);
  }
  for (int i = 0; i < Children->Count; i++)
    static_cast<TWinControl*>(Children->Items[i])->CreateWindow();
  return true;
}

HWND TWinControl::GetHandle() {
  if (Handle) return Handle;
  if (VisibilitySet) {
    CreateWindow();
    return Handle;
  }
  SetVisible(false);
  CreateWindow();
  CreatedHidden = true;
  return Handle;
}

void TWinControl::SetCaption(const char* text) {
  delete[] Caption;
  size_t length = strlen(text ? text : "");
  Caption = new char[length + 1];
  memcpy(Caption, text ? text : "", length + 1);
  if (!Handle) return;
  SetWindowTextA(Handle, Caption);
  Invalidate();
}

void TWinControl::SetVisible(bool v) {
  if (v)
    Style |= WS_VISIBLE;
  else
    Style &= ~WS_VISIBLE;
  Visible = v;
  if (!Handle) return;
  ShowWindow(Handle, v ? SW_SHOW : SW_HIDE);
  if (Parent) RealignHook(Parent);
  if (v)
    RealignHook(this);
  else
    CreatedHidden = false;
}

bool TWinControl::IsVisible() {
  if (!IsControl && Handle) Visible = IsWindowVisible(Handle) != 0;
  return Visible;
}

void TWinControl::Show() {
  CreateWindow();
  VisibilitySet = true;
  SetVisible(true);
  SetForegroundWindow(Handle);
  if (Enabled && TabStop) SetFocus(Handle);
}

void TWinControl::Hide() {
  VisibilitySet = true;
  SetVisible(false);
}

TWinControl* TWinControl::ParentForm() {
  TWinControl* c = this;
  while (c && c->IsControl) c = c->Parent;
  return c;
}

bool TWinControl::IsForeground() {
  if (!IsControl) return Handle && GetForegroundWindow() == Handle;
  TWinControl* form = ParentForm();
  return form && form->FocusedControl == this;
}

void TWinControl::Close() {
  if (Handle) PostMessageA(Handle, WM_CLOSE, 0, 0);
}

void TWinControl::Invalidate() {
  if (AppTerminated || !Handle) return;
  InvalidateRect(Handle, nullptr, TRUE);
  AfterInvalidateHook(this);
}

LRESULT TWinControl::SendMsg(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetHandle(), message, wParam, lParam);
}
