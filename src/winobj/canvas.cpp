#include "canvas.h"

#include <cstring>

#include "gdiscope.h"
#include "utils.h"

bool BrushToolsInUse = false;

COLORREF ResolveColor(int color) {
  if (color < 0) return GetSysColor(LOBYTE(color));
  return static_cast<COLORREF>(color);
}

// ---- Graphic tools ----

static HGDIOBJ MakeBrush(TGraphicTool* tool) {
  const TBrushRecord& b = tool->Description.Brush;
  LOGBRUSH lb = {BS_SOLID, tool->ResolvedColor, 0};
  if (b.Bitmap) {
    lb.lbStyle = BS_PATTERN;
    lb.lbHatch = reinterpret_cast<ULONG_PTR>(b.Bitmap);
  } else if (b.BrushStyle == 1) {
    lb.lbStyle = BS_NULL;
  } else if (b.BrushStyle != 0) {
    lb.lbStyle = BS_HATCHED;
    lb.lbHatch = (b.BrushStyle & 0x7F) - 2;
    lb.lbColor = ResolveColor(b.HatchColor);
  }
  return CreateBrushIndirect(&lb);
}

static HGDIOBJ MakeFont(TGraphicTool* tool) { return CreateFontIndirectA(&tool->Description.Font); }

static HGDIOBJ MakePen(TGraphicTool* tool) {
  const TPenRecord& p = tool->Description.Pen;
  LOGPEN lp = {p.PenStyle, {p.PenWidth, 0}, tool->ResolvedColor};
  return CreatePenIndirect(&lp);
}

static TGraphicTool* NewTool(BYTE kind, int color, TGraphicTool* (*creator)(),
                             HGDIOBJ (*maker)(TGraphicTool*)) {
  TGraphicTool* tool = NewObject<TGraphicTool>();
  // Padding and the bytes other kinds use must be zero: descriptions are compared whole.
  std::memset(&tool->Description, 0, sizeof tool->Description);
  tool->Kind = kind;
  tool->Description.Color = color;
  tool->Creator = creator;
  tool->HandleMaker = maker;
  return tool;
}

TGraphicTool* NewBrush() {
  BrushToolsInUse = true;
  return NewTool(ToolBrush, ButtonFaceColor, NewBrush, MakeBrush);
}

TGraphicTool* NewFont() {
  TGraphicTool* tool = NewTool(ToolFont, WindowTextColor, NewFont, MakeFont);
  tool->Description.Font.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(tool->Description.Font.lfFaceName, "MS Sans Serif");
  return tool;
}

TGraphicTool* NewPen() {
  TGraphicTool* tool = NewTool(ToolPen, 0, NewPen, MakePen);
  tool->Description.Pen.PenMode = R2_COPYPEN - 1;
  return tool;
}

void TGraphicTool::Destroy() {
  if (Kind == ToolBrush && Description.Brush.Bitmap) DeleteObject(Description.Brush.Bitmap);
  if (GdiHandle) DeleteObject(GdiHandle);
  TWinObject::Destroy();
}

HGDIOBJ TGraphicTool::Handle() {
  // A system colour may have changed since the handle was made.
  if (GdiHandle && ResolveColor(Description.Color) != ResolvedColor) Changed();
  if (GdiHandle) return GdiHandle;
  if (ParentTool && std::memcmp(&Description, &ParentTool->Description, sizeof Description) == 0)
    return ParentTool->Handle();
  ResolvedColor = ResolveColor(Description.Color);
  GdiHandle = HandleMaker(this);
  return GdiHandle;
}

void TGraphicTool::Changed() {
  if (GdiHandle) {
    HGDIOBJ old = GdiHandle;
    GdiHandle = 0;
    // The owner deselects the handle before it is deleted.
    if (OnChange.Assigned()) OnChange.Code(OnChange.Data, this);
    DeleteObject(old);
  }
  if (OnChange.Assigned()) OnChange.Code(OnChange.Data, this);
}

template <typename T>
static void SetField(TGraphicTool* tool, T& field, int value) {
  if (field == value) return;
  field = value;
  tool->Changed();
}

void TGraphicTool::SetColor(int color) {
  SetField(this, Description.Color, color);
  // A live handle keeps the colour it was made with, so that Handle notices a system
  // colour change even when the same colour value is set again.
  if (!GdiHandle) ResolvedColor = ResolveColor(color);
}

void TGraphicTool::SetHeight(int height) {
  if (Kind == ToolFont) SetField(this, Description.Font.lfHeight, height);
}

void TGraphicTool::SetEscapement(int value) {
  if (Kind == ToolFont) SetField(this, Description.Font.lfEscapement, value);
}

void TGraphicTool::SetOrientation(int value) {
  if (Kind == ToolFont)
    SetField(this, Description.Font.lfOrientation, value);
}

void TGraphicTool::SetAngle(int tenthsOfDegree) {
  int value = tenthsOfDegree % 3600;
  SetOrientation(value);
  SetEscapement(value);
}

void TGraphicTool::SetBrushStyle(BYTE style) {
  if (Kind != ToolBrush || Description.Brush.BrushStyle == style) return;
  Description.Brush.BrushStyle = style;
  Changed();
}

std::string TGraphicTool::FaceName() const {
  const char* name = Description.Font.lfFaceName;
  return std::string(name, strnlen(name, sizeof Description.Font.lfFaceName));
}

void TGraphicTool::SetFaceName(const char* name) {
  if (Kind != ToolFont || FaceName() == name) return;
  char* field = Description.Font.lfFaceName;
  std::memset(field, 0, sizeof Description.Font.lfFaceName);
  std::strncpy(field, name, sizeof Description.Font.lfFaceName - 1);
  Changed();
}

int TGraphicTool::Style() const {
  const LOGFONTA& f = Description.Font;
  return (f.lfWeight >= FW_BOLD ? 1 : 0) | (f.lfItalic ? 2 : 0) | (f.lfUnderline ? 4 : 0) |
         (f.lfStrikeOut ? 8 : 0);
}

void TGraphicTool::SetStyle(int style) {
  if (Kind != ToolFont || style == Style()) return;
  LOGFONTA& f = Description.Font;
  bool bold = style & 1;
  if (bold && f.lfWeight < FW_BOLD) f.lfWeight = FW_BOLD;
  if (!bold && f.lfWeight >= FW_BOLD) f.lfWeight = 0;
  f.lfItalic = (style & 2) ? 1 : 0;
  f.lfUnderline = (style & 4) ? 1 : 0;
  f.lfStrikeOut = (style & 8) ? 1 : 0;
  Changed();
}

TGraphicTool* Assign(TGraphicTool* destination, TGraphicTool* source) {
  if (!source) {
    Free(destination);
    return nullptr;
  }
  if (!destination) destination = source->Creator();
  if (destination == source) return destination;
  if (destination->GdiHandle && destination->GdiHandle == source->GdiHandle) return destination;
  destination->Changed();
  HBITMAP ownBitmap = destination->Kind == ToolBrush ? destination->Description.Brush.Bitmap : 0;
  std::memcpy(&destination->Description, &source->Description, sizeof destination->Description);
  // Each brush owns its pattern bitmap: the copy gets a bitmap of its own.
  if (ownBitmap) DeleteObject(ownBitmap);
  HBITMAP& pattern = destination->Description.Brush.Bitmap;
  if (destination->Kind == ToolBrush && pattern)
    pattern = static_cast<HBITMAP>(CopyImage(pattern, IMAGE_BITMAP, 0, 0, 0));
  destination->Changed();
  return destination;
}

// ---- Canvas ----

static HGDIOBJ StockPen = 0;
static HGDIOBJ StockBrush = 0;
static HGDIOBJ StockFont = 0;

static void CanvasToolChanged(void* canvas, TGraphicTool*) {
  static_cast<TWinCanvas*>(canvas)->ResetTools();
}

TWinCanvas* NewCanvas(HDC dc) {
  TWinCanvas* canvas = NewObject<TWinCanvas>();
  if (dc) canvas->AttachDC(dc);
  return canvas;
}

void TWinCanvas::Destroy() {
  AttachDC(0);
  Free(PenTool);
  Free(BrushTool);
  Free(FontTool);
  PenTool = BrushTool = FontTool = nullptr;
  TWinObject::Destroy();
}

void TWinCanvas::LinkTools() {
  for (TGraphicTool* tool : {FontTool, BrushTool, PenTool})
    if (tool) tool->OnChange = {CanvasToolChanged, this};
}

TGraphicTool* TWinCanvas::Brush() {
  if (BrushTool) return BrushTool;
  BrushTool = NewBrush();
  if (Owner) {
    BrushTool->Description.Color = Owner->Color;
    if (Owner->BrushTool) Assign(BrushTool, Owner->BrushTool);
  }
  LinkTools();
  return BrushTool;
}

TGraphicTool* TWinCanvas::Font() {
  if (FontTool) return FontTool;
  FontTool = NewFont();
  if (Owner) {
    FontTool->SetColor(Owner->TextColor);
    if (Owner->FontTool) Assign(FontTool, Owner->FontTool);
  }
  LinkTools();
  return FontTool;
}

TGraphicTool* TWinCanvas::Pen() {
  if (PenTool) return PenTool;
  PenTool = NewPen();
  LinkTools();
  return PenTool;
}

HDC TWinCanvas::DeviceContext() {
  if (!DCProvider.Assigned()) return DC;
  HDC dc = DCProvider.Code(DCProvider.Data, this);
  AttachDC(dc);
  return dc;
}

void TWinCanvas::AttachDC(HDC dc) {
  if (dc == DC) return;
  if (DC) {
    ResetTools();
    bool paintDC = BorrowedDC || (Owner && Owner->PaintDC == DC);
    // A control canvas may also hold a memory DC bound for measuring when its window
    // could not give one.
    if (!paintDC && DCProvider.Code == ControlDCProvider && GetObjectType(DC) != OBJ_MEMDC)
      ReleaseDC(Owner->Handle, DC);
    else if (!paintDC)
      DeleteDC(DC);
    DC = 0;
    BorrowedDC = false;
    State &= ~NeedDC;
  }
  if (!dc) return;
  State |= NeedDC;
  DC = dc;
  MoveToEx(dc, PenPos.x, PenPos.y, nullptr);
}

void TWinCanvas::ResetTools() {
  if (!(State & NeedDC) || !(State & (NeedPen | NeedBrush | NeedFont))) return;
  if (!StockPen) {
    StockPen = GetStockObject(BLACK_PEN);
    StockBrush = GetStockObject(NULL_BRUSH);
    StockFont = GetStockObject(SYSTEM_FONT);
  }
  SelectObject(DC, StockPen);
  SelectObject(DC, StockBrush);
  SelectObject(DC, StockFont);
  State &= ~(NeedPen | NeedBrush | NeedFont);
}

HDC TWinCanvas::Prepare(int needs) {
  if ((needs & NeedBeforeDraw) && BeforeDraw.Assigned()) BeforeDraw.Code(BeforeDraw.Data, this);
  int missing = needs & (NeedDC | NeedPen | NeedBrush | NeedFont) & ~State;
  HDC dc = DC;
  if (needs & NeedDC) {
    dc = DeviceContext();
    if (!dc) return 0;
  }
  if (!missing) return dc;
  if (missing & NeedFont) {
    if (FontTool) {
      SelectObject(dc, FontTool->Handle());
      SetTextColor(dc, ResolveColor(FontTool->Color()));
      LinkTools();
    } else if (Owner) {
      SetTextColor(dc, ResolveColor(Owner->TextColor));
    }
  }
  if (missing & NeedPen) {
    if (PenTool) {
      SelectObject(dc, PenTool->Handle());
      SetROP2(dc, PenTool->Description.Pen.PenMode + 1);
      LinkTools();
      // Dashed pens fill their gaps with the background colour and mode.
      BYTE style = PenTool->Description.Pen.PenStyle;
      if (style >= PS_DASH && style <= PS_DASHDOTDOT) missing |= NeedBrush;
    }
  }
  if (missing & NeedBrush) {
    if (BrushTool) {
      SelectObject(dc, BrushTool->Handle());
      LinkTools();
      COLORREF color = ResolveColor(BrushTool->Color());
      if (BrushTool->Description.Brush.BrushStyle == 0) {
        SetBkColor(dc, color);
        SetBkMode(dc, OPAQUE);
      } else {
        SetBkColor(dc, ~color);
        SetBkMode(dc, TRANSPARENT);
      }
    } else if (Owner) {
      SetBkColor(dc, ResolveColor(Owner->Color));
      SetBkMode(dc, OPAQUE);
    }
  }
  State |= missing;
  return dc;
}

void TWinCanvas::PutPixel(int x, int y, int color) {
  HDC dc = Prepare(NeedBeforeDraw | NeedDC);
  if (dc) SetPixel(dc, x, y, ResolveColor(color));
}

void TWinCanvas::FillRectangle(const RECT& r) {
  HDC dc = Prepare(NeedBeforeDraw | NeedBrush | NeedDC);
  if (!dc) return;
  if (BrushTool) {
    FillRect(dc, &r, static_cast<HBRUSH>(BrushTool->Handle()));
  } else if (Owner && Owner->BrushTool) {
    FillRect(dc, &r, static_cast<HBRUSH>(Owner->BrushTool->Handle()));
  } else if (Owner) {
    TGdiObject<HBRUSH> brush(CreateSolidBrush(ResolveColor(Owner->Color)));
    FillRect(dc, &r, brush);
  } else {
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  }
}

void TWinCanvas::MovePenTo(int x, int y) {
  HDC dc = Prepare(NeedDC);
  if (dc) MoveToEx(dc, x, y, nullptr);
}

void TWinCanvas::DrawLineTo(int x, int y) {
  HDC dc = Prepare(NeedBeforeDraw | NeedBrush | NeedPen | NeedDC);
  if (dc) LineTo(dc, x, y);
}

void TWinCanvas::WriteText(int x, int y, const std::string& text) {
  WriteText(x, y, Widen(text));
}

void TWinCanvas::WriteText(int x, int y, const std::wstring& text) {
  HDC dc = Prepare(NeedBeforeDraw | NeedFont | NeedBrush | NeedDC);
  if (dc) TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

namespace {

// A DC bound to a canvas for one measurement, with the canvas font selected. On scope exit
// it gives back what it bound, and a window DC outside a paint; a DC attached to a free
// canvas by its user stays.
class TTextDC {
 public:
  explicit TTextDC(TWinCanvas* canvas) : Canvas(canvas) {
    canvas->Prepare(NeedFont | NeedDC);
    Release = canvas->DCProvider.Assigned() && !canvas->BorrowedDC;
    if (!canvas->DC) {
      canvas->AttachDC(CreateCompatibleDC(0));
      Release = true;
    }
    DC = canvas->Prepare(NeedFont | NeedDC);
  }
  ~TTextDC() {
    if (Release) Canvas->AttachDC(0);
  }
  TTextDC(const TTextDC&) = delete;
  TTextDC& operator=(const TTextDC&) = delete;
  operator HDC() const { return DC; }

 private:
  TWinCanvas* Canvas;
  bool Release = false;
  HDC DC = 0;
};

}  // namespace

SIZE TWinCanvas::MeasureText(const std::string& text) { return MeasureText(Widen(text)); }

SIZE TWinCanvas::MeasureText(const std::wstring& text) {
  TTextDC dc(this);
  SIZE size = {0, 0};
  if (dc) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

int TWinCanvas::FitText(const std::wstring& text, int width) {
  if (width < 0) return 0;
  int fit = 0;
  {
    TTextDC dc(this);
    SIZE size;
    if (dc)
      GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), width, &fit,
                            nullptr, &size);
  }
  return static_cast<int>(CharacterStart(text, static_cast<size_t>(fit)));
}

int TWinCanvas::TextWidth(const std::string& text) { return MeasureText(text).cx; }

int TWinCanvas::TextWidth(const std::wstring& text) { return MeasureText(text).cx; }

int TWinCanvas::TextHeight(const std::string& text) { return MeasureText(text).cy; }

TMeasuringDC::TMeasuringDC(TWinControl* control) : Control(control) {
  TWinCanvas* canvas = control->Canvas();
  if (control->PaintDC || canvas->DC) return;
  Window = control->GetHandle();
  DC = Window ? GetDC(Window) : 0;
  if (!DC) return;
  // Lent to the canvas: measuring keeps it bound instead of releasing it.
  canvas->AttachDC(DC);
  canvas->BorrowedDC = true;
}

TMeasuringDC::~TMeasuringDC() {
  if (!DC) return;
  TWinCanvas* canvas = Control->Canvas();
  if (canvas->DC == DC) canvas->AttachDC(0);
  ReleaseDC(Window, DC);
}

HDC ControlDCProvider(void* control, TWinCanvas* canvas) {
  TWinControl* c = static_cast<TWinControl*>(control);
  if (c->PaintDC) {
    canvas->AttachDC(c->PaintDC);
    canvas->BorrowedDC = true;
    return c->PaintDC;
  }
  if (canvas->DC) return canvas->DC;
  // Without a window GetDC(0) would hand out the screen.
  HWND window = c->GetHandle();
  return window ? GetDC(window) : 0;
}

TWinCanvas* TWinControl::Canvas() {
  if (CanvasObject) return CanvasObject;
  CanvasObject = NewObject<TWinCanvas>();
  CanvasObject->Owner = this;
  CanvasObject->DCProvider = {ControlDCProvider, this};
  if (FontTool) CanvasObject->Font();
  if (BrushTool) CanvasObject->Brush();
  return CanvasObject;
}
