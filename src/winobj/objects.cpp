#include "objects.h"

#include <string.h>

#include <string>

#include "canvas.h"
#include "events.h"
#include "paint.h"

static void DoNothing(TWinControl*) {}

TControlProc RealignHook = DoNothing;
TControlProc AfterCreateHook = DoNothing;
TControlProc AfterInvalidateHook = DoNothing;
TWinControl* CreatingControl = nullptr;

static WORD NextControlId = 0x8000;

// ---- TWinObject ----

void TWinObject::RunFinalizers() {
  if (OnDestroy.Assigned()) {
    TEvent<TOnNotify> event = OnDestroy;
    OnDestroy.Clear();
    event.Code(event.Data, this);
  }
  // Taken out of the field first, so a re-entered destroy finds nothing left to run.
  TWinList* list = AutoFreeList;
  AutoFreeList = nullptr;
  if (!list) return;
  for (int i = 0; i + 1 < list->Count; i += 2) {
    TFreeProc proc = reinterpret_cast<TFreeProc>(list->Items[i]);
    proc(list->Items[i + 1]);
  }
  Free(list);
}

void TWinObject::Destroy() {
  RunFinalizers();
  delete this;
}

// A finalizer that references the dying object again must not destroy it a second time.
static void DestroyOnce(TWinObject* object) {
  if (object->Finalizing) return;
  object->Finalizing = true;
  object->Destroy();
}

void AddRef(TWinObject* object) { object->RefCount += 2; }

void Release(TWinObject* object) {
  object->RefCount -= 2;
  if (object->RefCount < 0 && (object->RefCount & 1)) DestroyOnce(object);
}

void Free(TWinObject* object) {
  if (!object) return;
  if (object->RefCount == 0) {
    // Negative and odd while destroying: handlers skip it and a second Free does nothing.
    object->RefCount = -1;
    DestroyOnce(object);
    return;
  }
  if (object->RefCount & 1) return;
  object->RefCount -= 1;
}

static void FreeObjectProc(void* data) { Free(static_cast<TWinObject*>(data)); }

void AddProcToAutoFree(TWinObject* object, TFreeProc proc, void* data) {
  if (!object->AutoFreeList) object->AutoFreeList = NewObject<TWinList>();
  // Newest first: the pair goes to the front, data then procedure.
  object->AutoFreeList->Insert(0, data);
  object->AutoFreeList->Insert(0, reinterpret_cast<void*>(proc));
}

void AddToAutoFree(TWinObject* object, TWinObject* other) {
  AddProcToAutoFree(object, FreeObjectProc, other);
}

// ---- TWinList ----

void TWinList::Init() { AddBy = 4; }

void TWinList::Destroy() {
  Clear();
  TWinObject::Destroy();
}

void TWinList::Insert(int index, void* item) {
  if (index < 0 || index > Count) return;
  if (Count == Capacity) {
    if (AddBy <= 0) AddBy = 4;
    int capacity = Capacity + AddBy;
    void** items = new void*[capacity];
    if (Count) memcpy(items, Items, Count * sizeof(void*));
    delete[] Items;
    Items = items;
    Capacity = capacity;
  }
  memmove(Items + index + 1, Items + index, (Count - index) * sizeof(void*));
  Items[index] = item;
  Count++;
}

void TWinList::Add(void* item) { Insert(Count, item); }

void TWinList::Delete(int index, int count) {
  if (index < 0 || index >= Count || count <= 0) return;
  if (count > Count - index) count = Count - index;
  memmove(Items + index, Items + index + count, (Count - index - count) * sizeof(void*));
  Count -= count;
}

int TWinList::IndexOf(void* item) const {
  for (int i = 0; i < Count; i++)
    if (Items[i] == item) return i;
  return -1;
}

void TWinList::Remove(void* item) {
  int i = IndexOf(item);
  if (i >= 0) Delete(i);
}

void* TWinList::Get(int index) const {
  if (index < 0 || index >= Count) return nullptr;
  return Items[index];
}

void TWinList::Clear() {
  delete[] Items;
  Items = nullptr;
  Count = 0;
  Capacity = 0;
}

// ---- TWinControl: creation ----

void TWinControl::Init() {
  ClassStyle = CS_OWNDC;
  Style = 0x16CF0000;
  ExStyle = WS_EX_CONTROLPARENT;
  Enabled = true;
  Visible = true;
  Alpha = 255;
  Children = NewObject<TWinList>();
  MessageHandlers = NewObject<TWinList>();
  Ctl3DChildren = true;
  Ctl3D = true;
  TextColor = static_cast<int>(0x80000008);
  Color = static_cast<int>(0x8000000F);
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
  return c;
}

TWinControl* NewLabel(TWinControl* parent, const char* caption) {
  TWinControl* c = NewChildControl(parent, "STATIC", 0x5000018C, false);
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

// ---- TWinControl: the window ----

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
  wc.style &= 0xFFFFBF1F;
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
  SendMessageA(Handle, WM_UPDATEUISTATE, 0x00010002, 0);
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

// ---- TWinControl: bounds ----

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

// ---- TWinControl: visibility and focus ----

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

// ---- TWinControl: styles ----

static void ApplyFrameChange(TWinControl* c) {
  SetWindowPos(c->Handle, 0, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  c->Invalidate();
}

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
  return (Style & 0x00C40000) || (ExStyle & WS_EX_CLIENTEDGE);
}

void TWinControl::SetHasBorder(bool b) {
  if (b == HasBorder()) return;
  if (b) {
    if (!IsControl)
      SetStyle(Style | 0x00CF0000);
    else if (Ctl3D)
      SetExStyle(ExStyle | WS_EX_CLIENTEDGE);
    else
      SetStyle(Style | WS_BORDER);
    return;
  }
  SetStyle((Style & 0xFF30FFFF) | (IsControl ? 0 : WS_POPUP));
  SetExStyle(ExStyle & 0xFFFEFCFE);
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

using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

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
  if ((value & 0xFF) == 255) {
    SetWindowLongA(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    return;
  }
  SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  setLayered(window, 0, static_cast<BYTE>(value & 0xFF), LWA_ALPHA);
}

// ---- Alignment ----

TWinControl* TWinControl::SetAlign(BYTE kind) {
  RealignHook = Realign;
  if (kind == Align) return this;
  Align = kind;
  Realign(Parent);
  return this;
}

static bool CountsAsShown(TWinControl* c) {
  if (!c->Visible && !c->CreatedHidden) return false;
  if (!c->IsControl) return true;
  if (!c->Parent) return true;
  c->Parent->IsVisible();
  return c->Parent->Visible || c->Parent->CreatedHidden;
}

static void AlignChild(TWinControl* child, RECT& area, int m) {
  RECT old = child->GetBounds();
  RECT r = old;
  int w = r.right - r.left, h = r.bottom - r.top;
  switch (child->Align) {
    case 2:  // top
      OffsetRect(&r, 0, area.top + m - r.top);
      area.top += m + h;
      r.left = area.left + m;
      r.right = area.right - m;
      break;
    case 4:  // bottom
      OffsetRect(&r, 0, area.bottom - m - r.bottom);
      area.bottom -= m + h;
      r.left = area.left + m;
      r.right = area.right - m;
      break;
    case 1:  // left
      OffsetRect(&r, area.left + m - r.left, 0);
      area.left += m + w;
      r.top = area.top + m;
      r.bottom = area.bottom - m;
      break;
    case 3:  // right
      OffsetRect(&r, area.right - m - r.right, 0);
      area.right -= m + w;
      r.top = area.top + m;
      r.bottom = area.bottom - m;
      break;
    case 5:  // client
      r = {area.left + m, area.top + m, area.right - m, area.bottom - m};
      break;
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (EqualRect(&r, &old)) return;
  child->SetBounds(r);
  bool resized = r.right - r.left != old.right - old.left || r.bottom - r.top != old.bottom - old.top;
  if (resized) Realign(child);
}

void Realign(TWinControl* c) {
  if (!c) return;
  RECT area = c->ClientRect();
  static const BYTE passes[3][2] = {{2, 4}, {1, 3}, {5, 5}};
  for (const auto& pass : passes) {
    for (int i = 0; i < c->Children->Count; i++) {
      TWinControl* child = static_cast<TWinControl*>(c->Children->Items[i]);
      if (child->Align != pass[0] && child->Align != pass[1]) continue;
      if (!CountsAsShown(child)) continue;
      AlignChild(child, area, c->Margin);
    }
  }
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// ---- TWinControl: destruction ----

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
