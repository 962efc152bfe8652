// Buffered painting: every repaint inside a buffered window is made by its outermost
// buffered control, which paints itself and its child windows into one off-screen bitmap
// and copies that to the screen once.
#include "paint.h"

#include "canvas.h"
#include "events.h"
#include "gdiscope.h"

namespace {

const char* const PrevProcProperty = "PREV_PROC";
const char* const SelfProperty = "SELF_";

// A bitmap this much larger than the area in each direction is still reused.
const int BufferTolerance = 32;

// The outermost control among c and its parents that paints buffered; nullptr when none.
TWinControl* BufferedRoot(TWinControl* c) {
  TWinControl* root = nullptr;
  for (TWinControl* p = c; p; p = p->Parent) {
    if (p->BufferedPaint) root = p;
  }
  return root;
}

void DeleteBufferBitmap(void* control) {
  TWinControl* c = static_cast<TWinControl*>(control);
  if (c->BufferBitmap) DeleteObject(c->BufferBitmap);
  c->BufferBitmap = 0;
}

bool BufferFits(const TWinControl* root, int w, int h) {
  return root->BufferBitmap && root->BufferWidth - BufferTolerance <= w &&
         w <= root->BufferWidth && root->BufferHeight - BufferTolerance <= h &&
         h <= root->BufferHeight;
}

RECT ClientRectOnScreen(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

// Moves the DC's origin so that the screen point topLeft lands at its place relative to
// reference, and clips to a width x height area there.
void PlaceInDC(HDC dc, POINT savedOrigin, const RECT& reference, POINT topLeft, int width,
               int height) {
  SetWindowOrgEx(dc, savedOrigin.x - (topLeft.x - reference.left),
                 savedOrigin.y - (topLeft.y - reference.top), nullptr);
  IntersectClipRect(dc, 0, 0, width, height);
}

// Paints first and its following siblings, frame, background and content, with their own
// children, into dc; reference is the screen rectangle that dc's (0, 0) stands for.
void PaintChildWindows(HDC dc, const RECT& reference, HWND first) {
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsWindowVisible(w)) continue;
    SaveDC(dc);
    RECT wr;
    GetWindowRect(w, &wr);
    POINT origin;
    GetWindowOrgEx(dc, &origin);

    PlaceInDC(dc, origin, reference, {wr.left, wr.top}, wr.right - wr.left, wr.bottom - wr.top);
    SendMessageA(w, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);

    RECT cr = ClientRectOnScreen(w);
    PlaceInDC(dc, origin, reference, {cr.left, cr.top}, cr.right - cr.left, cr.bottom - cr.top);
    SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageA(w, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    // Its pixels reach the screen with the root's copy; a pending update of its own
    // would only start a second pass.
    ValidateRect(w, nullptr);

    PaintChildWindows(dc, cr, GetWindow(w, GW_CHILD));
    RestoreDC(dc, -1);
  }
}

// Paints root and its child windows into root's kept bitmap, then copies that to the
// window once.
void PaintThroughBuffer(TWinControl* root, int w, int h) {
  HWND window = root->Handle;
  TWindowDC screenDC(window, GetDC(window));
  TMemoryDC memory(screenDC);
  if (!root->BufferBitmap) AddProcToAutoFree(root, DeleteBufferBitmap, root);
  if (!BufferFits(root, w, h)) {
    DeleteBufferBitmap(root);
    root->BufferBitmap = CreateCompatibleBitmap(screenDC, w, h);
    root->BufferWidth = w;
    root->BufferHeight = h;
  }
  TSelection buffer(memory, root->BufferBitmap);
  HDC memoryDC = memory;
  HDC savedPaintDC = root->PaintDC;
  root->PaintDC = memoryDC;

  RECT reference = ClientRectOnScreen(window);
  SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memoryDC), 0);
  SendMessageA(window, WM_PAINT, reinterpret_cast<WPARAM>(memoryDC), 0);
  PaintChildWindows(memoryDC, reference, GetWindow(window, GW_CHILD));

  TWindowDC windowDC(window, GetWindowDC(window));
  RECT wr;
  GetWindowRect(window, &wr);
  BitBlt(windowDC, reference.left - wr.left, reference.top - wr.top, w, h, memoryDC, 0, 0,
         SRCCOPY);
  root->PaintDC = savedPaintDC;
}

// One repaint of root: everything into the kept bitmap, then one copy to the screen.
void BufferedPass(TWinControl* root) {
  HWND window = root->Handle;
  RECT update;
  if (!GetUpdateRect(window, &update, FALSE)) return;
  root->Painting = true;
  RECT area;
  GetClientRect(window, &area);
  PaintThroughBuffer(root, area.right, area.bottom);
  ValidateRect(window, nullptr);
  root->Painting = false;
}

bool FilterPaint(TWinControl* p, TWinControl* root, MessageRecord& m, LRESULT& r) {
  if (p == root) {
    if (m.WParam) return false;
    BufferedPass(p);
    r = 0;
    return true;
  }
  // Inside the root's pass the child paints into the root's memory DC.
  if (root->Painting && root->PaintDC) return false;
  ValidateRect(m.Window, nullptr);
  if (!root->Painting) root->Invalidate();
  r = 0;
  return true;
}

// A label's text change would otherwise be drawn straight to the screen.
LRESULT SetLabelText(const MessageRecord& m) {
  ShowWindow(m.Window, SW_HIDE);
  LRESULT result = DefWindowProcA(m.Window, m.Message, m.WParam, m.LParam);
  ShowWindow(m.Window, SW_SHOWNA);
  UpdateWindow(m.Window);
  return result;
}

bool BufferedPaintFilter(TWinControl* p, MessageRecord& m, LRESULT& r) {
  TWinControl* root = BufferedRoot(p);
  if (!root) return false;
  switch (m.Message) {
    case WM_PAINT:
      return FilterPaint(p, root, m, r);
    case WM_ERASEBKGND:
      if (root->Painting || !p->Parent) return false;
      r = 1;
      return true;
    case WM_NCPAINT:
      if (p->IsForm || root->Painting) return false;
      r = 0;
      return true;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
      p->Invalidate();
      return false;
    case WM_COMMAND:
      if (HIWORD(m.WParam) == 1) p->Invalidate();
      return false;
    case WM_SETTEXT:
      if (!p->IsStaticText) return false;
      r = SetLabelText(m);
      return true;
    default:
      return false;
  }
}

void InvalidateRoot(TWinControl* c) {
  TWinControl* root = BufferedRoot(c);
  // InvalidateRect of no window would repaint the whole desktop.
  if (root && root->Handle) InvalidateRect(root->Handle, nullptr, TRUE);
}

// Windows of system classes inside a buffered control must not erase or frame themselves
// on the screen between passes.
LRESULT CALLBACK ChildWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_ERASEBKGND || message == WM_NCPAINT) && !GetPropA(w, SelfProperty)) {
    TWinControl* parent = static_cast<TWinControl*>(GetPropA(GetParent(w), SelfProperty));
    TWinControl* root = parent ? BufferedRoot(parent) : nullptr;
    if (root && !root->Painting) return message == WM_ERASEBKGND ? 1 : 0;
  }
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(w, PrevProcProperty));
  LRESULT result = previous ? CallWindowProcA(previous, w, message, wParam, lParam) : 0;
  if (message == WM_NCDESTROY) RemovePropA(w, PrevProcProperty);
  return result;
}

void SubclassChildWindows(TWinControl* c) {
  for (HWND w = GetWindow(c->Handle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (GetPropA(w, PrevProcProperty)) continue;
    LONG_PTR previous =
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildWindowProc));
    if (previous) SetPropA(w, PrevProcProperty, reinterpret_cast<HANDLE>(previous));
  }
}

bool PaintHandler(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message != WM_PAINT && m.Message != WM_PRINT) return false;
  if (!c->OnPaint.Assigned()) return false;
  // A print of the frame alone: the buffered pass asks for the client area separately, and
  // painting it here as well would paint the whole control twice.
  if (m.Message == WM_PRINT && !(m.LParam & PRF_CLIENT)) return false;
  HDC savedPaintDC = c->PaintDC;
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  PAINTSTRUCT ps;
  bool begun = !dc;
  if (begun) dc = BeginPaint(c->Handle, &ps);
  c->PaintDC = dc;
  c->OnPaint.Code(c->OnPaint.Data, c, dc);
  // Detached while PaintDC is still this DC, so the canvas does not release it.
  if (c->CanvasObject) c->CanvasObject->AttachDC(0);
  if (begun) EndPaint(c->Handle, &ps);
  c->PaintDC = savedPaintDC;
  r = 0;
  return true;
}

TGraphicTool* ControlBrushTool(TWinControl* c) {
  if (c->BrushTool) return c->BrushTool;
  c->BrushTool = NewBrush();
  c->BrushTool->SetColor(c->Color);
  c->BrushTool->OnChange = {ControlBrushChanged, c};
  return c->BrushTool;
}

HBRUSH ToolBackgroundBrush(TWinControl* c) {
  TGraphicTool* tool = ControlBrushTool(c);
  if (c->Parent) tool->ParentTool = ControlBrushTool(c->Parent);
  return static_cast<HBRUSH>(tool->Handle());
}

HBRUSH SolidBackgroundBrush(TWinControl* c) {
  if (c->Parent && c->Parent->Color == c->Color) return SolidBackgroundBrush(c->Parent);
  COLORREF color = ResolveColor(c->Color);
  if (c->BackgroundBrushHandle && c->BackgroundBrushColor != color) {
    DeleteObject(c->BackgroundBrushHandle);
    c->BackgroundBrushHandle = 0;
  }
  if (!c->BackgroundBrushHandle) {
    c->BackgroundBrushHandle = CreateSolidBrush(color);
    c->BackgroundBrushColor = color;
  }
  return c->BackgroundBrushHandle;
}

}  // namespace

void SetBufferedPaint(TWinControl* c, bool on) {
  c->BufferedPaint = on;
  PreMessageHook = BufferedPaintFilter;
  AfterInvalidateHook = InvalidateRoot;
  AfterCreateHook = SubclassChildWindows;
}

void SetOnPaint(TWinControl* c, TOnPaint handler, void* receiver) {
  c->OnPaint = {handler, receiver};
  AttachHandler(c, PaintHandler);
}

HBRUSH BackgroundBrush(TWinControl* c) {
  return BrushToolsInUse ? ToolBackgroundBrush(c) : SolidBackgroundBrush(c);
}

bool FormEraseHandler(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message != WM_ERASEBKGND) return false;
  // Children need their windows before the pass walks them.
  for (int i = 0; i < c->Children->Count; ++i) {
    static_cast<TWinControl*>(c->Children->Get(i))->CreateWindow();
  }
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ResolveColor(c->Color));
  SetBrushOrgEx(dc, 0, 0, nullptr);
  RECT client;
  GetClientRect(c->Handle, &client);
  FillRect(dc, &client, BackgroundBrush(c));
  // Not handled: the remaining handlers and default processing still see the message.
  r = 1;
  return false;
}

bool ColorReply(TWinControl* c, MessageRecord& m, LRESULT& r) {
  if (m.Message < ReflectedColorBase + WM_CTLCOLORMSGBOX ||
      m.Message > ReflectedColorBase + WM_CTLCOLORSTATIC) {
    return false;
  }
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetTextColor(dc, ResolveColor(c->TextColor));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ResolveColor(c->Color));
  r = reinterpret_cast<LRESULT>(BackgroundBrush(c));
  return true;
}
