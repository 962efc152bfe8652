#include "uTWindowInfo.h"

#include "drawing.h"
#include "iconcache.h"
#include "labels.h"
#include "winobj/canvas.h"

// ---- Sizing ----

void TFlipDeckEntry::SetupCanvas(TWinCanvas* canvas, const TFlipDeckPainter& painter) {
  const int textHeight = painter.Sizes.TextHeight;
  TGraphicTool* font = canvas->Font();
  TGraphicTool* brush = canvas->Brush();
  if (font->Description.Font.lfHeight == textHeight && font->FaceName() == "Tahoma" &&
      font->Color() == painter.FontColor && brush->Color() == painter.Background)
    return;
  font->SetHeight(textHeight);
  font->SetFaceName("Tahoma");
  font->SetColor(painter.FontColor);
  brush->SetColor(painter.Background);
}

int TFlipDeckEntry::GetWidth(TWinCanvas* canvas, const TFlipDeckPainter& painter) {
  SetupCanvas(canvas, painter);
  const TListSizes& sizes = painter.Sizes;
  return sizes.RowGeometry(sizes.Row(RowHeight)).Width(canvas->TextWidth(Title));
}

// ---- Window entry ----

void TFlipDeckEntry::Renew(const wchar_t* title, size_t length, int rowHeight) {
  Title.assign(title, length);
  Selected = false;
  Flashing = false;
  RowHeight = rowHeight;
  Number = 0;
  Left = 0;
}

TWindowInfo::TWindowInfo(const std::wstring& title, HWND window, int rowHeight) {
  Handle = window;
  Renew(title.data(), title.size(), rowHeight);
}

void TWindowInfo::Activate() {
  // Nothing here waits for the window's thread, which may be busy or hung: the restore and
  // the raise are posted to it, and the activation reaches it as a notification. The list
  // hides as it loses the activation, without handing it on (see FormMessage).
  if (IsIconic(Handle)) ShowWindowAsync(Handle, SW_RESTORE);
  SetWindowPos(Handle, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
  SetForegroundWindow(Handle);
}

// ---- Row painting ----

// Cuts characters from the end, marking the cut with "...", until the text fits. One
// measurement finds the cut: removing a character at a time re-measures the whole title
// for each one. The dots must fit too. The cut never splits a character that takes two
// UTF-16 units or carries combining marks.
static std::wstring FitTitle(TWinCanvas* canvas, const std::wstring& text, int limit) {
  if (static_cast<size_t>(canvas->FitText(text, limit)) >= text.size()) return text;
  size_t fit = static_cast<size_t>(canvas->FitText(text, limit - canvas->TextWidth(L"...")));
  return text.substr(0, fit) + L"...";
}

// The box of a selected or flashing row, its frame on the columns left to right - 1 and
// the rows top to bottom: shadow above and left, highlight below and right, corners cut.
static void PaintBox(TWinCanvas* canvas, const TFlipDeckPainter& painter, const RECT& frame,
                     bool selected) {
  const int left = frame.left, top = frame.top, right = frame.right, bottom = frame.bottom;
  TGraphicTool* brush = canvas->Brush();
  brush->SetBrushStyle(0);
  brush->SetColor(selected ? painter.Foreground : painter.Background);
  canvas->FillRectangle({left + 1, top, right, bottom});
  canvas->Pen()->SetColor(painter.Shadow);
  canvas->MovePenTo(left, top);
  canvas->DrawLineTo(right, top);
  canvas->MovePenTo(left, top);
  canvas->DrawLineTo(left, bottom);
  canvas->Pen()->SetColor(painter.Highlight);
  canvas->DrawLineTo(right - 1, bottom);
  canvas->DrawLineTo(right - 1, top);
  canvas->PutPixel(left, top, painter.Background);
  canvas->PutPixel(left, bottom, painter.Background);
  canvas->PutPixel(right - 1, top, painter.Background);
  canvas->PutPixel(right - 1, bottom, painter.Background);
}

void TWindowInfo::Paint(TWinCanvas* canvas, const TFlipDeckPainter& painter, int x, int y,
                        int availableWidth, int rowHeight) {
  const TRowGeometry row = painter.Sizes.RowGeometry(rowHeight);
  Left = x;
  SetupCanvas(canvas, painter);
  TGraphicTool* font = canvas->Font();
  const std::string label = KeyLabel(Number);
  if (!label.empty()) {
    font->SetStyle(1);
    canvas->WriteText(label.size() == 1 ? x + row.LabelLeft : x, y + row.LabelTop, label);
  }
  font->SetStyle(0);

  if (ShownWidth != availableWidth || ShownRowHeight != rowHeight || ShownFrom != Title) {
    ShownTitle = FitTitle(canvas, Title, row.TitleRoom(availableWidth));
    // The box's width and the text's place both come from one measurement.
    ShownSize = canvas->MeasureText(ShownTitle);
    ShownWidth = availableWidth;
    ShownRowHeight = rowHeight;
    ShownFrom = Title;
  }
  if (Selected || Flashing) {
    PaintBox(canvas, painter,
             {x + row.BoxLeft, y, x + row.Width(ShownSize.cx), y + row.BoxHeight}, Selected);
  } else {
    canvas->Brush()->SetBrushStyle(0);
    canvas->Brush()->SetColor(painter.Background);
  }
  canvas->WriteText(x + row.TitleLeft, y + row.TitleTop(ShownSize.cy), ShownTitle);
  if (painter.Icons)
    painter.Icons->Draw(canvas->DeviceContext(), x + row.IconLeft, y + row.IconTop, Handle,
                        row.IconSize,
                        static_cast<COLORREF>(Selected ? painter.Foreground : painter.Background));
}
