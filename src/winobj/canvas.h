// Window-object layer: graphic tools (brush, font, pen) and the drawing canvas.
#pragma once

#include <string>

#include "objects.h"

// Colour values: 0 or more is 0x00BBGGRR, negative names a system colour by its low byte.
COLORREF ResolveColor(int color);
// The colour value of a system colour (COLOR_BTNFACE and the like).
constexpr int SystemColor(int index) { return static_cast<int>(0x80000000u | index); }
constexpr int ButtonFaceColor = SystemColor(COLOR_BTNFACE);
constexpr int WindowTextColor = SystemColor(COLOR_WINDOWTEXT);

enum : BYTE { ToolBrush = 0, ToolFont = 1, ToolPen = 2 };

struct TBrushRecord {
  HBITMAP Bitmap;  // owned by the tool
  BYTE BrushStyle;  // 0 solid, 1 clear, 2..7 hatched
  int HatchColor;
};

struct TPenRecord {
  BYTE PenStyle;
  int PenWidth;
  BYTE PenMode;  // the DC's mix mode is PenMode + 1
};

// Compared and copied as one block; bytes a kind does not use stay zero.
struct TToolDescription {
  int Color;
  union {
    TBrushRecord Brush;
    LOGFONTA Font;
    TPenRecord Pen;
  };
};

using TToolChange = void (*)(void* receiver, TGraphicTool* tool);

class TGraphicTool : public TWinObject {
 public:
  void Destroy() override;

  HGDIOBJ Handle();  // made on demand
  void Changed();
  int Color() const { return Description.Color; }
  void SetColor(int color);
  void SetHeight(int height);
  void SetEscapement(int value);
  void SetOrientation(int value);
  void SetAngle(int tenthsOfDegree);
  void SetBrushStyle(BYTE style);
  std::string FaceName() const;
  void SetFaceName(const char* name);
  int Style() const;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  void SetStyle(int style);

  BYTE Kind = 0;
  HGDIOBJ GdiHandle = 0;
  TGraphicTool* ParentTool = nullptr;  // not owned
  TEvent<TToolChange> OnChange;
  COLORREF ResolvedColor = 0;
  TToolDescription Description;
  TGraphicTool* (*Creator)() = nullptr;
  HGDIOBJ (*HandleMaker)(TGraphicTool* tool) = nullptr;
};

TGraphicTool* NewBrush();
TGraphicTool* NewFont();
TGraphicTool* NewPen();
// Copies source's description into destination (made when absent); returns the destination.
TGraphicTool* Assign(TGraphicTool* destination, TGraphicTool* source);

// Set once the first brush tool is made: backgrounds then come from brush tools.
extern bool BrushToolsInUse;

enum : BYTE { NeedDC = 1, NeedPen = 2, NeedBrush = 4, NeedFont = 8, NeedBeforeDraw = 16 };

class TWinCanvas;
using TCanvasNotify = void (*)(void* receiver, TWinCanvas* canvas);
using TDCProvider = HDC (*)(void* receiver, TWinCanvas* canvas);

class TWinCanvas : public TWinObject {
 public:
  void Destroy() override;

  TGraphicTool* Brush();
  TGraphicTool* Font();
  TGraphicTool* Pen();
  HDC DeviceContext();
  void AttachDC(HDC dc);  // gives back the previously bound DC
  HDC Prepare(int needs);
  void ResetTools();
  void PutPixel(int x, int y, int color);
  void FillRectangle(const RECT& r);
  void MovePenTo(int x, int y);
  void DrawLineTo(int x, int y);
  // Text is drawn and measured as UTF-16; the 8-bit forms take text in the system code
  // page, for the program's own texts.
  void WriteText(int x, int y, const std::string& text);
  void WriteText(int x, int y, const std::wstring& text);
  SIZE MeasureText(const std::string& text);
  SIZE MeasureText(const std::wstring& text);
  // How many leading UTF-16 units of text fit in width pixels in the canvas font, never
  // ending inside a character (between a surrogate pair, or before a combining mark).
  int FitText(const std::wstring& text, int width);
  int TextWidth(const std::string& text);
  int TextWidth(const std::wstring& text);
  int TextHeight(const std::string& text);

  TWinControl* Owner = nullptr;  // not owned
  HDC DC = 0;
  POINT PenPos = {0, 0};
  TGraphicTool* BrushTool = nullptr;
  TGraphicTool* FontTool = nullptr;
  TGraphicTool* PenTool = nullptr;
  BYTE State = 0;  // NeedDC, NeedPen, NeedBrush, NeedFont bits of what is bound/selected
  DWORD CopyMode = SRCCOPY;
  TEvent<TCanvasNotify> BeforeDraw;
  TEvent<TDCProvider> DCProvider;
  bool BorrowedDC = false;

 private:
  void LinkTools();
};

// A free canvas, bound to dc at once when one is given.
TWinCanvas* NewCanvas(HDC dc);
// Keeps one window DC bound to a control's canvas for a run of measurements outside a
// paint, instead of getting and releasing one per measurement; gives it back when it goes
// out of scope. Within a paint the canvas already measures on the paint DC.
class TMeasuringDC {
 public:
  explicit TMeasuringDC(TWinControl* control);
  ~TMeasuringDC();
  TMeasuringDC(const TMeasuringDC&) = delete;
  TMeasuringDC& operator=(const TMeasuringDC&) = delete;

 private:
  TWinControl* Control;
  HWND Window = 0;
  HDC DC = 0;
};

// The DC provider of a control's canvas (its receiver is the control).
HDC ControlDCProvider(void* control, TWinCanvas* canvas);
