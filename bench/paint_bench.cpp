// What one buffered repaint of the list costs against one BitBlt of the same area and
// against a bare drawing floor (the same rows drawn with plain GDI calls: one BitBlt of a
// pre-drawn icon and one TextOutW per row into a memory bitmap, then one BitBlt to the
// window), side by side in one run, with 10, 100 and 500 entries (windows of another
// process). The switcher
// is the shipping code built in this process as CreateSwitcher builds it, except for the
// paint event: it paints the list and leaves out the Alt check, which would switch and
// hide the window at the first paint since no Alt is held here.
#include "farm.h"
#include "figures.h"
#include "main.h"
#include "winobj/canvas.h"
#include "winobj/events.h"
#include "winobj/paint.h"
#include "wait.h"

namespace {

const int kRounds = 40;

// The floor: what any list of these rows costs to put on the screen.
double DrawFloor(HDC windowDC, HDC memoryDC, HDC iconDC, HFONT font, int w, int h) {
  return Time([&] {
    HGDIOBJ previousFont = SelectObject(memoryDC, font);
    RECT all = {0, 0, w, h};
    FillRect(memoryDC, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const TListLayout& layout = Switcher->Layout;
    for (size_t i = 0; i < Switcher->Entries.size() && i < layout.Rows.size(); ++i) {
      const RECT& row = layout.Rows[i];
      const std::wstring& title = Switcher->Entries[i]->Title;
      BitBlt(memoryDC, row.left + 22, row.top + 2, 16, 16, iconDC, 0, 0, SRCCOPY);
      TextOutW(memoryDC, row.left + 52, row.top + 3, title.c_str(), static_cast<int>(title.size()));
    }
    BitBlt(windowDC, 0, 0, w, h, memoryDC, 0, 0, SRCCOPY);
    SelectObject(memoryDC, previousFont);
  });
}

int paintEvents = 0;

void PaintListOnly(void* receiver, TWinControl*, HDC) {
  ++paintEvents;
  static_cast<TSwitcher*>(receiver)->PaintEntries();
}

// The program's own set-up, with a paint event that only paints (no Alt check).
void BuildPaintingSwitcher() {
  BuildSwitcher();
  WireSwitcherEvents();
  SetOnPaint(Switcher->PaintBox, PaintListOnly, Switcher);
}

void Measure(int entries) {
  Switcher->Refresh();
  PumpPending();
  HWND window = Switcher->Form->Handle;
  RECT client;
  GetClientRect(window, &client);
  const int w = client.right, h = client.bottom;

  // The reference copy: the same area from a memory bitmap like the switcher's own.
  HDC windowDC = GetWindowDC(window);
  HDC memoryDC = CreateCompatibleDC(windowDC);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDC, w, h);
  HGDIOBJ previous = SelectObject(memoryDC, bitmap);

  // The floor's icon, drawn once, and the list's font.
  HDC iconDC = CreateCompatibleDC(windowDC);
  HBITMAP iconBitmap = CreateCompatibleBitmap(windowDC, 16, 16);
  HGDIOBJ previousIcon = SelectObject(iconDC, iconBitmap);
  DrawIconEx(iconDC, 0, 0, LoadIconA(nullptr, IDI_APPLICATION), 16, 16, 0, 0, DI_NORMAL);
  HFONT font = CreateFontA(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");

  Samples repaint, copy, listPaint, floor;
  paintEvents = 0;
  for (int round = 0; round < kRounds; ++round) {
    repaint.Add(Time([&] {
      Switcher->Form->Invalidate();
      UpdateWindow(window);
    }));
    copy.Add(Time([&] { BitBlt(windowDC, 0, 0, w, h, memoryDC, 0, 0, SRCCOPY); }));
    floor.Add(DrawFloor(windowDC, memoryDC, iconDC, font, w, h));
    // The list alone, drawn into the same kind of off-screen bitmap.
    Switcher->PaintBox->PaintDC = memoryDC;
    listPaint.Add(Time([] { Switcher->PaintEntries(); }));
    Switcher->PaintBox->Canvas()->AttachDC(0);
    Switcher->PaintBox->PaintDC = 0;
  }
  const double eventsPerRepaint = static_cast<double>(paintEvents) / kRounds;

  // What a row is made of, in the platform's own calls on the same bitmap: its icon and
  // one line of text (a row writes its label and its title).
  const int kCalls = 200;
  HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  const std::wstring title = Switcher->Entries.empty() ? L"" : Switcher->Entries[0]->Title;
  const double iconMs = Time([&] {
    for (int i = 0; i < kCalls; ++i) DrawIconEx(memoryDC, 22, 6, icon, 16, 16, 0, 0, DI_NORMAL);
  }) / kCalls;
  const double textMs = Time([&] {
    for (int i = 0; i < kCalls; ++i)
      TextOutW(memoryDC, 62, 7, title.c_str(), static_cast<int>(title.size()));
  }) / kCalls;

  DeleteObject(font);
  SelectObject(iconDC, previousIcon);
  DeleteObject(iconBitmap);
  DeleteDC(iconDC);
  SelectObject(memoryDC, previous);
  DeleteObject(bitmap);
  DeleteDC(memoryDC);
  ReleaseDC(window, windowDC);
  Switcher->Form->Hide();
  PumpPending();

  const double ratio = repaint.Median() / copy.Median();
  Row(Format("Repaint vs one BitBlt, %zu entries (%dx%d)", Switcher->Entries.size(), w, h),
      Format("%.2f ms vs %.2f ms = %.1fx", repaint.Median(), copy.Median(), ratio), "<= 5x",
      Verdict(ratio <= 5));
  const double floorRatio = repaint.Median() / floor.Median();
  Row(Format("Repaint vs bare drawing floor, %d", entries),
      Format("%.2f ms vs %.2f ms = %.1fx", repaint.Median(), floor.Median(), floorRatio),
      "<= 3x", Verdict(floorRatio <= 3));
  Row(Format("  of it: list painting %.0f times per repaint, %d", eventsPerRepaint, entries),
      Format("%.2f ms each", listPaint.Median()), "-", kNoTarget);
  if (Switcher->Entries.empty()) return;
  Row(Format("  of it per row: whole row / one DrawIconEx / one TextOutW, %d", entries),
      Format("%.1f / %.1f / %.1f us", 1000 * listPaint.Median() / Switcher->Entries.size(),
             1000 * iconMs, 1000 * textMs),
      "-", kNoTarget);
}

}  // namespace

int main() {
  WindowFarm farm;
  if (!farm.Open(10, "Window")) {
    Note("paint: the window farm did not start");
    return 1;
  }
  BuildPaintingSwitcher();
  for (int count : {10, 100, 500}) {
    if (farm.Add(count - static_cast<int>(farm.VisibleWindows().size())) < count) {
      Note("paint: the farm did not grow to %d windows", count);
      break;
    }
    Measure(count);
  }
  return 0;
}
