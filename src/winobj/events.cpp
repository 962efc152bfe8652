#include "events.h"

// Swallowed without default processing; no layer window uses it.
static constexpr UINT ReservedMessage = 0x8FFF;
// The low four bits of a system command are the system's own.
static constexpr WPARAM SysCommandMask = 0xFFF0;

static bool NotHandled(TWinControl*, MessageRecord&, LRESULT&) { return false; }
static void DoNothing(TWinControl*) {}

TWinControl* MainWindow = nullptr;
bool AppRunning = false;
bool AppTerminated = false;
TMessageHandler PreMessageHook = NotHandled;
TControlProc IdleHook = DoNothing;

DWORD KeyShiftState() {
  DWORD shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) shift |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) shift |= AltDown;
  return shift;
}

bool IsMainWindow(TWinControl* c) {
  if (c->IsControl) return false;
  if (!c->Parent) return true;
  return !c->Parent->Parent && c->Parent->Children->Get(0) == c;
}

void AttachHandler(TWinControl* c, TMessageHandler handler) {
  void* item = reinterpret_cast<void*>(handler);
  if (c->MessageHandlers->IndexOf(item) < 0) c->MessageHandlers->Add(item);
}

void DefaultProcessing(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (c->BaseWndProc)
    r = CallWindowProcA(c->BaseWndProc, c->Handle, m.Message, m.WParam, m.LParam);
  else
    r = DefWindowProcA(m.Window, m.Message, m.WParam, m.LParam);
}

// ---- Dispatchers attached by the event setters ----

static bool KeyDispatcher(TWinControl* c, MessageRecord& m, LRESULT&) {
  int key = static_cast<int>(m.WParam);
  switch (m.Message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (c->OnKeyDown.Assigned()) c->OnKeyDown.Code(c->OnKeyDown.Data, c, key, KeyShiftState());
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (c->OnKeyUp.Assigned()) c->OnKeyUp.Code(c->OnKeyUp.Data, c, key, KeyShiftState());
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (c->OnChar.Assigned()) {
        char ch = static_cast<char>(LOBYTE(key));
        c->OnChar.Code(c->OnChar.Data, c, ch, KeyShiftState());
        key = static_cast<BYTE>(ch);
      }
      break;
    default:
      return false;
  }
  // A handler swallows the key by setting it to 0.
  m.WParam = static_cast<WPARAM>(key);
  return key == 0;
}

static TEvent<TOnMouse>* MouseEventOf(TWinControl* c, UINT message, BYTE& button) {
  button = 0;
  switch (message) {
    case WM_MOUSEMOVE: return &c->OnMouseMove;
    case WM_MOUSEWHEEL: return &c->OnMouseWheel;
    case WM_LBUTTONDOWN: button = 1; return &c->OnMouseDown;
    case WM_RBUTTONDOWN: button = 2; return &c->OnMouseDown;
    case WM_MBUTTONDOWN: button = 3; return &c->OnMouseDown;
    case WM_LBUTTONUP: button = 1; return &c->OnMouseUp;
    case WM_RBUTTONUP: button = 2; return &c->OnMouseUp;
    case WM_MBUTTONUP: button = 3; return &c->OnMouseUp;
    case WM_LBUTTONDBLCLK: button = 1; return &c->OnMouseDblClk;
    case WM_RBUTTONDBLCLK: button = 2; return &c->OnMouseDblClk;
    case WM_MBUTTONDBLCLK: button = 3; return &c->OnMouseDblClk;
  }
  return nullptr;
}

static bool MouseDispatcher(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message < WM_MOUSEFIRST || m.Message > WM_MOUSEWHEEL || m.Window != c->Handle)
    return false;
  MouseRecord mouse = {};
  mouse.Shift = static_cast<DWORD>(m.WParam);
  if (GetKeyState(VK_MENU) < 0) mouse.Shift |= AltDown;
  mouse.X = static_cast<SHORT>(LOWORD(m.LParam));
  mouse.Y = static_cast<SHORT>(HIWORD(m.LParam));
  r = 0;
  TEvent<TOnMouse>* event = MouseEventOf(c, m.Message, mouse.Button);
  if (event && event->Assigned()) event->Code(event->Data, c, mouse);
  return mouse.StopHandling;
}

static bool ShowHandler(TWinControl* c, MessageRecord& m, LRESULT&) {
  if (m.Message != WM_SHOWWINDOW || m.Window != c->Handle) return false;
  bool wasVisible = IsWindowVisible(c->Handle) != 0;
  if (m.WParam) {
    c->Visible = true;
    if (!wasVisible && c->OnShow.Assigned()) c->OnShow.Code(c->OnShow.Data, c);
  } else {
    c->Visible = false;
    if (wasVisible && c->OnHide.Assigned()) c->OnHide.Code(c->OnHide.Data, c);
  }
  return false;
}

void TWinControl::SetOnMouseUp(TOnMouse handler, void* receiver) {
  OnMouseUp = {handler, receiver};
  AttachHandler(this, MouseDispatcher);
}

void TWinControl::SetOnMouseWheel(TOnMouse handler, void* receiver) {
  OnMouseWheel = {handler, receiver};
  AttachHandler(this, MouseDispatcher);
}

void TWinControl::SetOnKeyDown(TOnKey handler, void* receiver) {
  OnKeyDown = {handler, receiver};
  KeyDispatch = KeyDispatcher;
}

void TWinControl::SetOnKeyUp(TOnKey handler, void* receiver) {
  OnKeyUp = {handler, receiver};
  KeyDispatch = KeyDispatcher;
}

void TWinControl::SetOnShow(TOnNotify handler, void* receiver) {
  OnShow = {handler, receiver};
  AttachHandler(this, ShowHandler);
}

// ---- Handlers of every form and child control ----

bool FormHandler(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message == WM_SETFOCUS) {
    if (MainWindow && MainWindow != c) MainWindow->FocusedControl = c;
    if (!c->FocusedControl) return false;
    c->FocusedControl->CreateWindow();
    SetFocus(c->FocusedControl->Handle);
    r = 0;
    return true;
  }
  if (m.Message == WM_ENDSESSION && m.WParam) {
    // Log-off or shut-down: destroy everything now and leave from inside the dispatch.
    Release(c);
    AppTerminated = true;
    AppRunning = false;
    TWinControl* old = MainWindow;
    MainWindow = nullptr;
    Free(old);
    ExitProcess(0);
  }
  return false;
}

bool ChildControlHandler(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message != WM_SETFOCUS) return false;
  r = 0;
  TWinControl* form = c->ParentForm();
  if (!form) return true;
  form->FocusedControl = c;
  return false;
}

// ---- Built-in handling ----

static void CloseProcedure(TWinControl* c, MessageRecord& m, LRESULT& r) {
  bool accept = true;
  if (c->OnCloseQuery.Assigned()) c->OnCloseQuery.Code(c->OnCloseQuery.Data, c, accept);
  if (!accept && AppRunning) {
    r = 0;
    return;
  }
  // An accepted close is asked only once.
  c->OnCloseQuery.Clear();
  if (!accept) return;
  if (IsMainWindow(c) || c == MainWindow) {
    if (MainWindow && MainWindow != c) MainWindow->SendMsg(WM_CLOSE, 0, 0);
    PostQuitMessage(0);
    r = 0;
    return;
  }
  DefaultProcessing(c, m, r);
}

static void KeyProcedure(TWinControl* c, MessageRecord& m, LRESULT& r) {
  HWND focus = GetFocus();
  if (focus && focus != c->Handle) {
    r = 0;
    return;
  }
  if (c->KeyDispatch && c->KeyDispatch(c, m, r)) return;
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) {
    DefaultProcessing(c, m, r);
    return;
  }
  if (m.Message == WM_CHAR && m.WParam == VK_TAB) {
    m.WParam = 0;
    r = 0;
    return;
  }
  DefaultProcessing(c, m, r);
}

static void ShowWindowMessage(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.LParam == SW_PARENTCLOSING) {
    if (IsIconic(c->Handle))
      c->RestoreShowCommand = SW_SHOWMINNOACTIVE;
    else if (IsZoomed(c->Handle))
      c->RestoreShowCommand = SW_SHOWMAXIMIZED;
    else
      c->RestoreShowCommand = SW_SHOWNOACTIVATE;
    DefaultProcessing(c, m, r);
    return;
  }
  if (m.LParam == SW_PARENTOPENING) {
    if (c->RestoreShowCommand) {
      ShowWindow(c->Handle, c->RestoreShowCommand);
      c->RestoreShowCommand = 0;
    }
    r = 0;
    return;
  }
  DefaultProcessing(c, m, r);
}

// May free c: nothing touches it afterwards.
static void NcDestroy(TWinControl* c, MessageRecord& m, LRESULT& r) {
  RemovePropA(c->Handle, "SELF_");
  if (MainWindow && MainWindow->Handle == c->Handle) return;
  if (IsMainWindow(c)) {
    PostMessageA(c->Handle, DeferredFreeMessage, 0, 0);
    DefaultProcessing(c, m, r);
    return;
  }
  if (MainWindow && c->Parent == MainWindow) {
    c->WindowGone = true;
    r = 0;
    Free(c);
    return;
  }
  DefaultProcessing(c, m, r);
}

static void BuiltIn(TWinControl* c, MessageRecord& m, LRESULT& r) {
  UINT message = m.Message;
  if (message >= WM_KEYFIRST && message <= LastKeyMessage) return KeyProcedure(c, m, r);
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    r = SendMessageA(reinterpret_cast<HWND>(m.LParam), message + ReflectedColorBase, m.WParam,
                     m.LParam);
    return;
  }
  switch (message) {
    case WM_SIZE:
      DefaultProcessing(c, m, r);
      if (m.WParam <= SIZE_MAXIMIZED) c->WindowState = static_cast<BYTE>(m.WParam);
      if (!c->IsForm && c->Parent) RealignHook(c->Parent);
      RealignHook(c);
      return;
    case WM_SETFOCUS:
      if (IsWindowEnabled(c->Handle) && c->TabStop) {
        SetFocus(c->Handle);
        DefaultProcessing(c, m, r);
        return;
      }
      r = 0;
      return;
    case WM_CLOSE: return CloseProcedure(c, m, r);
    case WM_SHOWWINDOW: return ShowWindowMessage(c, m, r);
    case WM_SETCURSOR:
      if (!GetCapture() && LOWORD(m.LParam) == HTCLIENT && c->Cursor) {
        SetCursor(c->Cursor);
        r = 1;
        return;
      }
      DefaultProcessing(c, m, r);
      return;
    case WM_NCDESTROY: return NcDestroy(c, m, r);
    case WM_COMMAND:
      if (m.LParam && GetPropA(reinterpret_cast<HWND>(m.LParam), "SELF_")) {
        r = SendMessageA(reinterpret_cast<HWND>(m.LParam), ReflectedCommandMessage, m.WParam,
                         m.LParam);
        return;
      }
      DefaultProcessing(c, m, r);
      return;
    case WM_SYSCOMMAND:
      if ((m.WParam & SysCommandMask) == SC_MINIMIZE && IsMainWindow(c) && MainWindow &&
          c != MainWindow) {
        PostMessageA(MainWindow->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        r = 0;
        return;
      }
      DefaultProcessing(c, m, r);
      return;
    case MM_MCINOTIFY:
    case ReservedMessage:
      r = 0;
      return;
    case DeferredFreeMessage:
      c->Destroying = true;
      r = 0;
      Free(c);
      return;
  }
  DefaultProcessing(c, m, r);
}

// The attached handlers, newest first, with c kept alive across them.
static bool AttachedHandlers(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (c->RefCount < 0 || c->MessageHandlers->Count == 0) return false;
  AddRef(c);
  bool handled = false;
  for (int i = c->MessageHandlers->Count - 1; i >= 0 && !AppTerminated; i--) {
    TMessageHandler handler = reinterpret_cast<TMessageHandler>(c->MessageHandlers->Items[i]);
    if (handler(c, m, r)) {
      handled = true;
      break;
    }
  }
  if (c->RefCount & 1) handled = true;
  Release(c);
  return handled;
}

void TWinControl::WndProc(MessageRecord& m, LRESULT& r) {
  if (m.Window && !Handle) Handle = m.Window;
  if (PreMessageHook(this, m, r)) return;
  if (AppRunning && MainWindow && MainWindow != this && MainWindow->OnMessage.Assigned() &&
      MainWindow->OnMessage.Code(MainWindow->OnMessage.Data, m, r))
    return;
  if (OnMessage.Assigned() && OnMessage.Code(OnMessage.Data, m, r)) return;
  if (AttachedHandlers(this, m, r)) return;
  BuiltIn(this, m, r);
}

LRESULT CALLBACK WindowProcedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  TWinControl* c = nullptr;
  if (w && CreatingControl) {
    c = CreatingControl;
    c->Handle = w;
    SetPropA(w, "SELF_", c);
    CreatingControl = nullptr;
  } else if (w) {
    c = static_cast<TWinControl*>(GetPropA(w, "SELF_"));
  }
  if (!c) c = MainWindow;
  if (!c) return DefWindowProcA(w, message, wParam, lParam);
  MessageRecord m = {w, message, wParam, lParam};
  LRESULT r = 0;
  c->WndProc(m, r);
  return r;
}

// ---- The loop ----

static bool ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    AppTerminated = true;
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return msg.message != 0;
}

void ProcessMessages(TWinControl*) {
  while (ProcessMessage()) {
  }
}

void Run(TWinControl*& mainControl) {
  AppRunning = true;
  MainWindow = mainControl;
  if (mainControl) mainControl->CreateWindow();
  while (!AppTerminated) {
    WaitMessage();
    ProcessMessages(mainControl);
    IdleHook(mainControl);
  }
  Terminate(mainControl);
}

void Terminate(TWinControl*& mainControl) {
  bool wasTerminated = AppTerminated;
  AppTerminated = true;
  AppRunning = false;
  TWinControl* p = MainWindow;
  MainWindow = nullptr;
  if (!p) return;
  AddRef(p);
  if (!wasTerminated) {
    ProcessMessages(p);
    p->SendMsg(WM_CLOSE, 0, 0);
  }
  mainControl = nullptr;
  Free(p);
  Release(p);
}
