// Control objects: their defaults, the creators, parents and children, and destruction.
#include "canvas.h"
#include "events.h"
#include "objects.h"
#include "paint.h"

namespace {

// Child window identifiers are handed out from here upwards.
WORD NextControlId = 0x8000;

// A text label: a visible child that tells its parent of clicks, draws its text unwrapped
// and without & prefixes.
constexpr DWORD LabelStyle =
    WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFTNOWORDWRAP;

}  // namespace

void TWinControl::Init() {
  ClassStyle = CS_OWNDC;
  Style = DefaultWindowStyle;
  ExStyle = WS_EX_CONTROLPARENT;
  Enabled = true;
  Visible = true;
  Alpha = 255;
  Children = NewObject<TWinList>();
  MessageHandlers = NewObject<TWinList>();
  Ctl3DChildren = true;
  Ctl3D = true;
  TextColor = WindowTextColor;
  Color = ButtonFaceColor;
  Margin = 2;
}

void TWinControl::AttachToParent(TWinControl* parent) {
  if (parent == Parent) return;
  if (Parent) Parent->Children->Remove(this);
  Parent = parent;
  if (Parent) Parent->Children->Add(this);
}

void TWinControl::InitWithParent(TWinControl* parent) {
  Init();
  AttachToParent(parent);
  if (parent) Color = parent->Color;
}

// A font copy follows its own changes: text colour, the window's font, a repaint.
static void ControlFontChanged(void* receiver, TGraphicTool* font) {
  TWinControl* c = static_cast<TWinControl*>(receiver);
  c->TextColor = font->Color();
  if (c->Handle) SendMessageA(c->Handle, WM_SETFONT, (WPARAM)font->Handle(), 1);
  c->Invalidate();
}

void ControlBrushChanged(void* receiver, TGraphicTool* brush) {
  TWinControl* c = static_cast<TWinControl*>(receiver);
  c->Color = brush->Color();
  if (c->BackgroundBrushHandle) DeleteObject(c->BackgroundBrushHandle);
  c->BackgroundBrushHandle = 0;
  if (!c->PaintDC) c->Invalidate();
}

void TWinControl::InheritTools(TWinControl* parent) {
  Ctl3DChildren = parent->Ctl3DChildren;
  Ctl3D = parent->Ctl3DChildren ? Ctl3D : false;
  Margin = parent->Margin;
  Bounds = {parent->Margin, parent->Margin, parent->Margin + 64, parent->Margin + 64};
  TextColor = parent->TextColor;
  if (parent->FontTool) {
    FontTool = Assign(nullptr, parent->FontTool);
    FontTool->OnChange = {ControlFontChanged, this};
    ControlFontChanged(this, FontTool);
  }
  Color = parent->Color;
  if (parent->BrushTool) {
    BrushTool = Assign(nullptr, parent->BrushTool);
    BrushTool->OnChange = {ControlBrushChanged, this};
    ControlBrushChanged(this, BrushTool);
  }
}

static TWinControl* NewControl(TWinControl* parent, const char* baseClass, bool sunken) {
  TWinControl* c = new TWinControl();
  c->InitWithParent(parent);
  c->BaseClassName = baseClass;
  c->Ctl3D = sunken;
  if (parent) c->InheritTools(parent);
  return c;
}

TWinControl* NewForm(TWinControl* parent, const char* caption) {
  TWinControl* form = NewControl(parent, "Form", true);
  form->ClassStyle |= CS_DBLCLKS;
  AttachHandler(form, FormHandler);
  AttachHandler(form, FormEraseHandler);
  form->SetCaption(caption);
  form->IsForm = true;
  return form;
}

TWinControl* NewChildControl(TWinControl* parent, const char* baseClass, DWORD style,
                             bool sunken) {
  TWinControl* c = NewControl(parent, baseClass, sunken);
  c->IsControl = true;
  c->Style = style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  c->Visible = (style & WS_VISIBLE) != 0;
  c->TabStop = (style & WS_TABSTOP) != 0;
  if (parent) c->Cursor = parent->Cursor;
  if (c->Ctl3D) {
    c->Style &= ~WS_BORDER;
    c->ExStyle |= WS_EX_CLIENTEDGE;
  }
  if (c->TabStop) {
    TWinControl* form = c->ParentForm();
    if (form && !form->FocusedControl) form->FocusedControl = c;
  }
  c->ControlId = NextControlId++;
  AttachHandler(c, ChildControlHandler);
  AttachHandler(c, ColorReply);
  return c;
}

TWinControl* NewLabel(TWinControl* parent, const char* caption) {
  TWinControl* c = NewChildControl(parent, "STATIC", LabelStyle, false);
  c->IsStaticText = true;
  c->RedrawOnResize = true;
  c->Bounds.bottom = c->Bounds.top + 22;
  c->SetCaption(caption);
  return c;
}

TWinControl* NewPaintBox(TWinControl* parent) {
  TWinControl* c = NewLabel(parent, "");
  c->Bounds.right = c->Bounds.left + 40;
  c->Bounds.bottom = c->Bounds.top + 40;
  return c;
}

void TWinControl::ClearEvents() {
  // Auto-freed objects (the receivers of these events) go before the window does; the
  // window's last messages must not reach them.
  OnMessage.Clear();
  OnMouseDown.Clear();
  OnMouseUp.Clear();
  OnMouseDblClk.Clear();
  OnMouseMove.Clear();
  OnMouseWheel.Clear();
  OnKeyDown.Clear();
  OnKeyUp.Clear();
  OnChar.Clear();
  OnShow.Clear();
  OnHide.Clear();
  OnCloseQuery.Clear();
  OnPaint.Clear();
}

void TWinControl::Destroy() {
  bool reentered = InDestroy;
  InDestroy = true;
  TWinControl* form = ParentForm();
  if (form && form->FocusedControl == this) form->FocusedControl = nullptr;
  // Cleared before the hide: hiding an active window deactivates it, and that message
  // must not reach a receiver that goes with this control.
  if (!reentered) ClearEvents();
  if (Handle) ShowWindow(Handle, SW_HIDE);
  RunFinalizers();
  while (Children->Count > 0) {
    TWinControl* child = static_cast<TWinControl*>(Children->Items[Children->Count - 1]);
    Children->Delete(Children->Count - 1);
    Free(child);
  }
  if (Destroying || reentered) return;
  Destroying = true;

  Free(FontTool);
  FontTool = nullptr;
  Free(BrushTool);
  BrushTool = nullptr;
  Free(CanvasObject);
  CanvasObject = nullptr;
  if (Handle && IsWindow(Handle)) {
    HICON icon = (HICON)SendMessageA(Handle, WM_SETICON, ICON_BIG, 0);
    if (icon) DestroyIcon(icon);
    if (!WindowGone) DestroyWindow(Handle);
  }
  Handle = 0;
  if (BackgroundBrushHandle) DeleteObject(BackgroundBrushHandle);
  BackgroundBrushHandle = 0;
  delete[] Caption;
  Caption = nullptr;
  if (Parent) {
    Parent->Children->Remove(this);
    if (Parent->FocusedControl == this) Parent->FocusedControl = nullptr;
  }
  Free(Children);
  Free(MessageHandlers);
  Children = nullptr;
  MessageHandlers = nullptr;
  TWinObject::Destroy();
}
