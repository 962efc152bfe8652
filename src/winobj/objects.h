// Window-object layer: window controls, their creators and the layer-wide hooks.
#pragma once

#include <windows.h>

#include "lifetime.h"
#include "lists.h"

// The layer has its own CreateWindow routine; the ANSI macro would rename it.
#undef CreateWindow

struct MessageRecord {
  HWND Window;
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
};

// The shift word of key and mouse events: MK_SHIFT and MK_CONTROL as the mouse messages
// carry them, and this bit while Alt is held.
constexpr DWORD AltDown = 0x20;

struct MouseRecord {
  BYTE Button;        // 1 left, 2 right, 3 middle; 0 for move and wheel
  bool StopHandling;  // a handler sets it to mark the message handled
  DWORD Shift;        // wParam, plus AltDown while Alt is down
  SHORT X;
  SHORT Y;
};

class TWinControl;
class TWinCanvas;
class TGraphicTool;

using TOnMessage = bool (*)(void* receiver, MessageRecord& msg, LRESULT& result);
using TOnCloseQuery = void (*)(void* receiver, TWinControl* sender, bool& accept);
using TOnKey = void (*)(void* receiver, TWinControl* sender, int& key, DWORD shift);
using TOnChar = void (*)(void* receiver, TWinControl* sender, char& ch, DWORD shift);
using TOnMouse = void (*)(void* receiver, TWinControl* sender, MouseRecord& mouse);
using TOnPaint = void (*)(void* receiver, TWinControl* sender, HDC dc);

// A message step: true when it has handled the message.
using TMessageHandler = bool (*)(TWinControl* c, MessageRecord& m, LRESULT& r);
using TControlProc = void (*)(TWinControl* c);

// The frame of an overlapped window: caption, system menu, sizing border, minimise and
// maximise boxes.
constexpr DWORD WindowFrameStyles = WS_OVERLAPPEDWINDOW;
// A new control's window: visible, clipped around its siblings and children, framed.
constexpr DWORD DefaultWindowStyle =
    WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WindowFrameStyles;

// Where SetAlign puts a child in its parent's client area.
enum : BYTE { AlignNone, AlignLeft, AlignTop, AlignRight, AlignBottom, AlignClient };

class TWinControl : public TWinObject {
 public:
  void Init() override;
  void Destroy() override;
  virtual void InitWithParent(TWinControl* parent);
  virtual bool CreateWindow();
  virtual void WndProc(MessageRecord& m, LRESULT& r);

  HWND GetHandle();
  void SetCaption(const char* text);
  RECT GetBounds();
  void SetBounds(const RECT& r);
  int Left();
  int Top();
  int Width();
  int Height();
  void SetLeft(int x);
  void SetTop(int y);
  void SetWidth(int w);
  void SetHeight(int h);
  TWinControl* SetPosition(int x, int y);
  RECT ClientRect();
  int ClientWidth();
  int ClientHeight();
  void SetClientWidth(int w);
  void SetClientHeight(int h);
  TWinControl* SetClientSize(int w, int h);
  void SetVisible(bool v);
  bool IsVisible();
  void Show();
  void Hide();
  bool IsForeground();
  void Close();
  void Invalidate();
  LRESULT SendMsg(UINT message, WPARAM wParam, LPARAM lParam);
  void SetStyle(DWORD s);
  void SetExStyle(DWORD s);
  void RefreshStyles();
  bool HasBorder();
  void SetHasBorder(bool b);
  bool StayOnTop();
  void SetStayOnTop(bool b);
  void SetAlpha(DWORD value);
  TWinControl* SetAlign(BYTE kind);
  TWinControl* ParentForm();
  TWinCanvas* Canvas();  // made on first request
  // Creation step of a control with a parent: margins, colours and tool copies.
  void InheritTools(TWinControl* parent);

  void SetOnMouseUp(TOnMouse handler, void* receiver);
  void SetOnMouseWheel(TOnMouse handler, void* receiver);
  void SetOnKeyDown(TOnKey handler, void* receiver);
  void SetOnKeyUp(TOnKey handler, void* receiver);
  void SetOnShow(TOnNotify handler, void* receiver);

  HWND Handle = 0;
  DWORD ClassStyle = 0;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  HCURSOR Cursor = 0;
  HICON Icon = 0;  // 0 not loaded yet, (HICON)-1 none
  char* Caption = nullptr;
  BYTE WindowState = 0;
  int RestoreShowCommand = 0;
  TWinCanvas* CanvasObject = nullptr;
  WNDPROC BaseWndProc = nullptr;
  bool WindowGone = false;
  TWinControl* Parent = nullptr;
  bool Enabled = false;
  bool Visible = false;
  bool TabStop = false;
  DWORD Alpha = 0;
  TWinList* Children = nullptr;
  bool Destroying = false;
  int ControlId = 0;
  bool IsForm = false;
  bool IsControl = false;
  bool IsStaticText = false;
  BYTE PositionSet = 0;  // 1 left was set, 2 top was set
  TWinList* MessageHandlers = nullptr;
  const char* BaseClassName = nullptr;
  bool Ctl3DChildren = false;
  bool Ctl3D = false;
  int TextColor = 0;
  TGraphicTool* FontTool = nullptr;
  int Color = 0;
  TGraphicTool* BrushTool = nullptr;
  int Margin = 0;
  RECT Bounds = {0, 0, 0, 0};

  // Buffered painting.
  bool BufferedPaint = false;
  HDC PaintDC = 0;
  bool Painting = false;
  HBITMAP BufferBitmap = 0;
  int BufferWidth = 0;
  int BufferHeight = 0;
  HBRUSH BackgroundBrushHandle = 0;  // cached solid brush of the colour
  COLORREF BackgroundBrushColor = 0;

  TEvent<TOnMessage> OnMessage;
  TWinControl* FocusedControl = nullptr;
  bool VisibilitySet = false;
  bool CreatedHidden = false;

  TEvent<TOnMouse> OnMouseDown;
  TEvent<TOnMouse> OnMouseUp;
  TEvent<TOnMouse> OnMouseDblClk;
  TEvent<TOnMouse> OnMouseMove;
  TEvent<TOnMouse> OnMouseWheel;
  TEvent<TOnKey> OnKeyDown;
  TEvent<TOnKey> OnKeyUp;
  TEvent<TOnChar> OnChar;
  TEvent<TOnNotify> OnShow;
  TEvent<TOnNotify> OnHide;
  TEvent<TOnCloseQuery> OnCloseQuery;
  TEvent<TOnPaint> OnPaint;
  TMessageHandler KeyDispatch = nullptr;  // set once a key event is assigned

  BYTE Align = AlignNone;
  bool RedrawOnResize = false;

 private:
  bool InDestroy = false;  // a re-entered Destroy stops before releasing anything

  void AttachToParent(TWinControl* parent);
  void ClearEvents();
  HICON FormIcon();
};

TWinControl* NewForm(TWinControl* parent, const char* caption);
TWinControl* NewChildControl(TWinControl* parent, const char* baseClass, DWORD style,
                             bool sunken);
TWinControl* NewLabel(TWinControl* parent, const char* caption);
TWinControl* NewPaintBox(TWinControl* parent);

void Realign(TWinControl* c);

// OnChange of a control's own brush tool: the control takes its colour and repaints.
void ControlBrushChanged(void* control, TGraphicTool* brush);

int ScreenWidth();
int ScreenHeight();

// Process-wide hooks; they do nothing until a feature that needs them installs itself.
extern TControlProc RealignHook;
extern TControlProc AfterCreateHook;
extern TControlProc AfterInvalidateHook;

// The control whose window CreateWindowExA is making right now.
extern TWinControl* CreatingControl;
