#include "uTWindowInfo.h"

#include <algorithm>
#include <cmath>

#include "main.h"
#include "uShellWindowSupport.h"
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

// A hung or slow window counts as having no icon for this step.
static HICON AskForIcon(HWND window, UINT message, WPARAM kind) {
  DWORD_PTR icon = 0;
  if (!SendMessageTimeoutA(window, message, kind, 0, SMTO_ABORTIFHUNG, 100, &icon)) return 0;
  return reinterpret_cast<HICON>(icon);
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

TWindowInfo::TWindowInfo(const std::wstring& title, HWND window) {
  Title = title;
  Handle = window;
  Selected = false;
  Flashing = false;
  RowHeight = Switcher->Painter->RowHeight;
  Icon = FindIcon();
}

HICON TWindowInfo::QueryIcon(HWND window) {
  if (!window) return 0;
  static const WPARAM bigFirst[] = {ICON_BIG, ICON_SMALL, ICON_SMALL2};
  static const WPARAM smallFirst[] = {ICON_SMALL, ICON_SMALL2, ICON_BIG};
  // The big icon first where the row draws it larger than a small icon.
  const int drawn = Switcher->Painter->Sizes.Row(RowHeight) / 2;
  for (WPARAM kind : drawn > GetSystemMetrics(SM_CXSMICON) ? bigFirst : smallFirst)
    if (HICON icon = AskForIcon(window, WM_GETICON, kind)) return icon;
  if (HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM))) return icon;
  return AskForIcon(window, WM_QUERYDRAGICON, 0);
}

HICON TWindowInfo::FindIcon() {
  if (HICON icon = QueryIcon(Handle)) return icon;
  if (HICON icon = QueryIcon(GetWindow(Handle, GW_OWNER))) return icon;
  // A shared system icon: the handle stays valid, so it is loaded once.
  static HICON applicationIcon = LoadIconA(nullptr, IDI_APPLICATION);
  return applicationIcon;
}

void TWindowInfo::Activate() {
  SwitchToThisWindow(Handle, TRUE);
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
  std::wstring text =
      FitTitle(canvas, Title, availableWidth - RoomBesideTitle(sizes, rowHeight));
  // The box's width and the text's place both come from one measurement.
  SIZE size = canvas->MeasureText(text);
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
  if (Icon)
    DrawIconEx(canvas->DeviceContext(), textLeft + sizes.RowInset, y + sizes.RowInset, Icon,
               rowHeight / 2, rowHeight / 2, 0, nullptr, DI_NORMAL);
}
