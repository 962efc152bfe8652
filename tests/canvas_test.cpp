// Graphic tools and the canvas: handles made, shared and given back, and the pixels that
// drawing leaves in a bitmap.
#include <gtest/gtest.h>

#include <string>

#include "handles.h"
#include "surface.h"

namespace {

const COLORREF Blue = RGB(0, 0, 255), Red = RGB(255, 0, 0), Green = RGB(0, 160, 0);

int Notifications = 0;
void CountChange(void*, TGraphicTool*) { Notifications++; }

COLORREF BrushColor(HGDIOBJ brush) {
  LOGBRUSH made = {};
  GetObjectA(brush, sizeof made, &made);
  return made.lbColor;
}

TEST(GraphicTool, OnlyARealChangeDropsTheHandleAndNotifiesTwice) {
  TGraphicTool* font = NewFont();
  font->OnChange = {CountChange, nullptr};
  HGDIOBJ first = font->Handle();
  Notifications = 0;
  font->SetHeight(0);
  font->SetAngle(0);
  font->SetColor(static_cast<int>(0x80000008));
  font->SetFaceName("MS Sans Serif");
  font->SetStyle(0);
  EXPECT_EQ(Notifications, 0);
  EXPECT_EQ(font->Handle(), first);

  font->SetHeight(20);  // before and after the handle goes
  EXPECT_EQ(Notifications, 2);
  EXPECT_EQ(GetObjectType(first), 0u);
  font->SetHeight(21);  // no handle: once
  EXPECT_EQ(Notifications, 3);
  Free(font);
}

TEST(GraphicTool, AngleWeightAndFaceNameAreKeptWithinTheirRange) {
  TGraphicTool* font = NewFont();
  const struct { int angle, stored; } angles[] = {{900, 900}, {3600, 0}, {-900, -900}, {0, 0}};
  for (auto c : angles) {
    font->SetAngle(c.angle);
    EXPECT_EQ(font->Description.Font.lfEscapement, c.stored) << c.angle;
    EXPECT_EQ(font->Description.Font.lfOrientation, c.stored) << c.angle;
  }
  const struct { int weight, style, after; } styles[] = {
      {400, 0, 400}, {400, 1, 700}, {699, 1, 700}, {700, 0, 0}, {800, 1, 800}};
  for (auto c : styles) {
    font->Description.Font.lfWeight = c.weight;
    EXPECT_EQ(font->Style() & 1, c.weight >= 700);
    font->SetStyle(c.style);
    EXPECT_EQ(font->Description.Font.lfWeight, c.after) << c.weight << " " << c.style;
  }
  std::string forty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
  font->SetFaceName(forty.c_str());
  EXPECT_EQ(font->FaceName(), forty.substr(0, 31));
  Free(font);
}

TEST(GraphicTool, SystemColourChangeGivesANewHandle) {
  const int face = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(face);
  const COLORREF changed = original ^ 0x00101010;
  TGraphicTool* brush = NewBrush();  // the button face colour by default
  HGDIOBJ before = brush->Handle();
  ASSERT_TRUE(SetSysColors(1, &face, &changed));
  brush->SetColor(static_cast<int>(0x8000000F));  // the same value again hides nothing
  HGDIOBJ after = brush->Handle();
  SetSysColors(1, &face, &original);
  EXPECT_EQ(GetObjectType(before), 0u);
  EXPECT_EQ(BrushColor(after), changed);
  Free(brush);
}

TEST(Canvas, FillsWithTheWindowColourAndLeavesOutTheLastRowAndColumn) {
  Surface s(20, 20, Blue);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  s.Canvas->FillRectangle({2, 2, 6, 6});  // no brush on a free canvas
  EXPECT_EQ(s.Count({2, 2, 6, 6}, window), 16);
  EXPECT_EQ(s.Count({0, 0, 20, 20}, Blue), 400 - 16);
}

TEST(Canvas, TextIsOpaqueOnASolidBrushAndTransparentOnAClearOne) {
  Surface s(80, 30, Blue);
  s.Canvas->Font()->SetColor(RGB(255, 255, 255));
  s.Canvas->Brush()->SetColor(Red);
  SIZE cell = s.Canvas->MeasureText("Wx");
  EXPECT_EQ(s.Canvas->DC, s.Dc);  // a free canvas keeps the DC it was given
  s.Canvas->WriteText(0, 0, "Wx");
  s.Canvas->Brush()->SetBrushStyle(1);
  s.Canvas->WriteText(40, 0, "Wx");
  RECT opaque = {0, 0, cell.cx, cell.cy}, clear = {40, 0, 40 + cell.cx, cell.cy};
  EXPECT_EQ(s.Count(opaque, Blue), 0);
  EXPECT_GT(s.Count(opaque, Red), 0);
  EXPECT_EQ(s.Count(clear, Red), 0);
  EXPECT_GT(s.Count(clear, Blue), 0);
  EXPECT_LT(s.Count(clear, Blue), cell.cx * cell.cy);  // the letters are there
}

TEST(Canvas, LinesTakeThePenColourAndLeaveOutTheirEndPoint) {
  Surface s(60, 10, Blue);
  s.Canvas->Pen()->SetColor(Red);
  s.Canvas->MovePenTo(0, 2);
  s.Canvas->DrawLineTo(50, 2);
  EXPECT_EQ(s.Count({0, 2, 50, 3}, Red), 50);
  EXPECT_EQ(s.Count({0, 0, 60, 10}, Blue), 600 - 50);
}

TEST(ControlCanvas, MeasuringOutsideAPaintGivesTheWindowDCBack) {
  TWinControl* form = NewForm(nullptr, "canvas test");
  form->SetPosition(10, 10)->SetClientSize(200, 100);
  form->Show();
  TWinCanvas* canvas = NewPaintBox(form)->Canvas();
  auto cycle = [&](int i) {
    canvas->Brush()->SetColor(i % 2 ? Red : Green);
    canvas->FillRectangle({0, 0, 30, 30});
    canvas->Pen()->SetColor(i % 2 ? Red : Blue);
    canvas->DrawLineTo(30, 30);
    canvas->Font()->SetHeight(12 + i % 3);
    canvas->WriteText(2, 2, "x");
    EXPECT_GT(canvas->TextWidth("Hello"), 0);
    EXPECT_EQ(canvas->DC, nullptr);
  };
  for (int i = 0; i < 3; i++) cycle(i);  // what Wine makes once
  int gdi = CountGdiObjects();
  for (int i = 0; i < 3000; i++) cycle(i);
  EXPECT_EQ(CountGdiObjects(), gdi);
  Free(form);
}

TEST(ControlCanvas, AMeasuringDCServesARunOfMeasurementsAndIsGivenBack) {
  TWinControl* form = NewForm(nullptr, "measuring test");
  form->SetPosition(10, 10)->SetClientSize(200, 100);
  form->Show();
  TWinControl* box = NewPaintBox(form);
  TWinCanvas* canvas = box->Canvas();
  canvas->Font()->SetHeight(14);
  canvas->Font()->SetFaceName("Tahoma");
  const int hello = canvas->TextWidth("Hello"), title = canvas->TextWidth("A longer title");
  auto run = [&] {
    TMeasuringDC measuring(box);
    HDC bound = canvas->DC;
    EXPECT_NE(bound, nullptr);
    EXPECT_EQ(canvas->TextWidth("Hello"), hello);
    EXPECT_EQ(canvas->TextWidth("A longer title"), title);
    EXPECT_EQ(canvas->DC, bound);  // one DC for the whole run
  };
  run();  // what Wine makes once
  int gdi = CountGdiObjects();
  for (int i = 0; i < 500; i++) run();
  EXPECT_EQ(canvas->DC, nullptr);
  EXPECT_EQ(CountGdiObjects(), gdi);

  // Within a paint the paint DC is measured on and stays the paint's.
  Surface s(10, 10, Blue);
  box->PaintDC = s.Dc;
  {
    TMeasuringDC measuring(box);
    EXPECT_EQ(canvas->TextWidth("Hello"), hello);
  }
  EXPECT_EQ(canvas->DC, s.Dc);
  EXPECT_EQ(GetObjectType(s.Dc), static_cast<DWORD>(OBJ_MEMDC));
  canvas->AttachDC(0);
  box->PaintDC = 0;
  Free(form);
}

TEST(ControlCanvas, APaintDCIsBorrowedNotGivenBack) {
  TWinControl* box = NewPaintBox(nullptr);
  Surface s(10, 10, Blue);
  box->PaintDC = s.Dc;
  box->Color = static_cast<int>(Red);
  int gdi = CountGdiObjects();
  box->Canvas()->FillRectangle({0, 0, 5, 5});  // in the control's colour, without a brush
  box->Canvas()->TextWidth("Hello");
  box->Canvas()->AttachDC(0);
  EXPECT_EQ(GetObjectType(s.Dc), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(CountGdiObjects(), gdi);
  EXPECT_EQ(s.At(2, 2), Red);
  Free(box);
}

}  // namespace
