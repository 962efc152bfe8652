#include "uTWindowInfo.h"

#include <algorithm>
#include <cmath>

#include "main.h"
#include "winobj/canvas.h"
#include "winobj/utils.h"

// RowHeight * 0.625, rounded half to even: 15, 20 and 40 for the three row heights.
static int FiveEighths(int rowHeight) {
  return static_cast<int>(std::nearbyint(rowHeight * 0.625));
}

// A row beside its title: the key label, then the icon's cell of the row height, and the
// box's right edge.
static int RoomBesideTitle(const TListSizes& sizes, int rowHeight) {
  return sizes.LabelWidth + rowHeight + sizes.BoxRightEdge;
}

static void RemoveHandle(std::vector<HWND>& list, HWND window) {
  auto it = std::find(list.begin(), list.end(), window);
  if (it != list.end()) list.erase(it);
}

// ---- Sizing ----

void TFlipDeckEntry::SetupCanvas(TWinCanvas* canvas) {
  const TFlipDeckPainter* painter = Switcher->Painter;
  const int textHeight = painter->Sizes.TextHeight;
  TGraphicTool* font = canvas->Font();
  TGraphicTool* brush = canvas->Brush();
  if (font->Description.Font.lfHeight == textHeight && font->FaceName() == "Tahoma" &&
      font->Color() == painter->FontColor && brush->Color() == painter->Background)
    return;
  font->SetHeight(textHeight);
  font->SetFaceName("Tahoma");
  font->SetColor(painter->FontColor);
  brush->SetColor(painter->Background);
}

int TFlipDeckEntry::GetWidth(TWinCanvas* canvas) {
  SetupCanvas(canvas);
  const TListSizes& sizes = Switcher->Painter->Sizes;
  return canvas->TextWidth(Title) + RoomBesideTitle(sizes, sizes.Row(RowHeight));
}

// ---- Window entry ----

void TFlipDeckEntry::Renew(const wchar_t* title, size_t length) {
  Title.assign(title, length);
  Selected = false;
  Flashing = false;
  RowHeight = Switcher->Painter->RowHeight;
  Number = 0;
  Left = 0;
}

TWindowInfo::TWindowInfo(const std::wstring& title, HWND window) {
  Handle = window;
  Renew(title.data(), title.size());
}

void TWindowInfo::Activate() {
  // Nothing here waits for the window's thread, which may be busy or hung: the restore and
  // the raise are posted to it, and the activation reaches it as a notification. The list
  // hides as it loses the activation, without handing it on (see FormMessage).
  if (IsIconic(Handle)) ShowWindowAsync(Handle, SW_RESTORE);
  SetWindowPos(Handle, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
  SetForegroundWindow(Handle);
  std::vector<HWND>& flashing = Switcher->FlashingWindows;
  RemoveHandle(flashing, Handle);
  if (HWND owner = GetWindow(Handle, GW_OWNER)) RemoveHandle(flashing, owner);
}

// ---- Row painting ----

static std::string KeyLabel(int number) {
  if (number < 10) return std::string(1, static_cast<char>('0' + number));
  if (number < 36) return std::string(1, static_cast<char>(55 + number));
  return "F" + NumberToText(number - 35);
}

// Cuts characters from the end, marking the cut with "...", until the text fits. One
// measurement finds the cut: removing a character at a time re-measures the whole title
// for each one. The dots must fit too. The cut never splits a character that takes two
// UTF-16 units or carries combining marks.
static std::wstring FitTitle(TWinCanvas* canvas, const std::wstring& text, int limit) {
  if (static_cast<size_t>(canvas->FitText(text, limit)) >= text.size()) return text;
  size_t fit = static_cast<size_t>(canvas->FitText(text, limit - canvas->TextWidth(L"...")));
  return text.substr(0, fit) + L"...";
}

void TWindowInfo::Paint(TWinCanvas* canvas, int x, int y, int availableWidth, int rowHeight) {
  const TFlipDeckPainter* painter = Switcher->Painter;
  const TListSizes& sizes = painter->Sizes;
  Left = x;
  int boxHeight = FiveEighths(rowHeight);
  SetupCanvas(canvas);
  TGraphicTool* font = canvas->Font();
  if (Number >= 0 && Number < 48) {
    font->SetStyle(1);
    const int labelLeft = Number < 36 ? x + sizes.LabelLeft : x;
    canvas->WriteText(labelLeft, y + sizes.RowInset, KeyLabel(Number));
  }
  font->SetStyle(0);

  int textLeft = x + sizes.LabelWidth;  // the box and icon start here
  if (ShownWidth != availableWidth || ShownRowHeight != rowHeight || ShownFrom != Title) {
    ShownTitle = FitTitle(canvas, Title, availableWidth - RoomBesideTitle(sizes, rowHeight));
    // The box's width and the text's place both come from one measurement.
    ShownSize = canvas->MeasureText(ShownTitle);
    ShownWidth = availableWidth;
    ShownRowHeight = rowHeight;
    ShownFrom = Title;
  }
  const std::wstring& text = ShownTitle;
  const SIZE size = ShownSize;
  TGraphicTool* brush = canvas->Brush();
  if (Selected || Flashing) {
    int right = textLeft + rowHeight + size.cx + sizes.BoxRightEdge;
    int bottom = y + boxHeight;
    brush->SetBrushStyle(0);
    brush->SetColor(Selected ? painter->Foreground : painter->Background);
    canvas->FillRectangle({textLeft - 1, y, right, bottom});
    canvas->Pen()->SetColor(painter->Shadow);
    canvas->MovePenTo(textLeft - 2, y);
    canvas->DrawLineTo(right, y);
    canvas->MovePenTo(textLeft - 2, y);
    canvas->DrawLineTo(textLeft - 2, bottom);
    canvas->Pen()->SetColor(painter->Highlight);
    canvas->DrawLineTo(right - 1, bottom);
    canvas->DrawLineTo(right - 1, y);
    canvas->PutPixel(textLeft - 2, y, painter->Background);
    canvas->PutPixel(textLeft - 2, bottom, painter->Background);
    canvas->PutPixel(right - 1, y, painter->Background);
    canvas->PutPixel(right - 1, bottom, painter->Background);
  } else {
    brush->SetBrushStyle(0);
    brush->SetColor(painter->Background);
  }
  canvas->WriteText(textLeft + rowHeight,
                    y + rowHeight / 4 - size.cy / 4 - sizes.TitleTextRaise, text);
  const int iconSize = rowHeight / 2;
  Switcher->Icons.Draw(canvas->DeviceContext(), textLeft + sizes.RowInset, y + sizes.RowInset,
                       Handle, iconSize,
                       static_cast<COLORREF>(Selected ? painter->Foreground : painter->Background));
}
