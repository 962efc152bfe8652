// List entries: the abstract row and the entry for one top-level window.
#pragma once

#include <string>

#include <windows.h>

class TFlipDeckPainter;
class TWinCanvas;

class TFlipDeckEntry {
 public:
  virtual ~TFlipDeckEntry() = default;
  // Paints the row with the painter's look, its top-left corner at (x, y).
  virtual void Paint(TWinCanvas* canvas, const TFlipDeckPainter& painter, int x, int y,
                     int availableWidth, int rowHeight) = 0;
  // Brings the window forward; the switcher forgets its attention mark and hides.
  virtual void Activate() = 0;

  void SetupCanvas(TWinCanvas* canvas, const TFlipDeckPainter& painter);
  int GetWidth(TWinCanvas* canvas, const TFlipDeckPainter& painter);
  // What each Refresh finds out afresh about the entry's window: its title, and the marks
  // and row height of a new entry.
  void Renew(const wchar_t* title, size_t length, int rowHeight);

  std::wstring Title;  // UTF-16, as the window has it
  bool Selected = false;
  int Number = 0;
  HWND Handle = 0;
  bool Flashing = false;
  int RowHeight = 0;
  int Left = 0;  // x of the column the entry was last painted in

 protected:
  TFlipDeckEntry() = default;
};

class TWindowInfo : public TFlipDeckEntry {
 public:
  // rowHeight: the painter's, given for 96 DPI.
  TWindowInfo(const std::wstring& title, HWND window, int rowHeight);

  void Paint(TWinCanvas* canvas, const TFlipDeckPainter& painter, int x, int y,
             int availableWidth, int rowHeight) override;
  void Activate() override;

 private:
  // The title as the row shows it, cut to the width it was last painted at: measured
  // once per list, not once per paint.
  std::wstring ShownTitle;
  std::wstring ShownFrom;  // the Title it was cut from
  SIZE ShownSize = {0, 0};
  int ShownWidth = -1;
  int ShownRowHeight = -1;
};
