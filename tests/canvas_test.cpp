// Graphic tools and the canvas: handles made, kept and given back, and the pixels drawn.
#include <gtest/gtest.h>

#include <string>

#include "leaks.h"
#include "surface.h"

namespace {

const COLORREF Blue = RGB(0, 0, 255), Red = RGB(255, 0, 0), Green = RGB(0, 160, 0);
HGDIOBJ Held = 0;
int ToldWhileHeld = 0;  // changes the owner heard of while Held still lived

TEST(GraphicTool, AHeldValueRemakesTheHandleAChangeIsMissedOrAValueLeavesItsRange) {
  TGraphicTool* font = NewFont();
  Held = font->Handle();
  font->OnChange = {[](void*, TGraphicTool*) { ToldWhileHeld += GetObjectType(Held) != 0; }, 0};
  font->SetHeight(0);
  font->SetAngle(3600);  // a whole turn is none
  font->SetColor(static_cast<int>(0x80000008));
  font->SetFaceName("MS Sans Serif");
  font->SetStyle(0);
  EXPECT_EQ(font->Handle(), Held);
  font->SetHeight(20);
  EXPECT_EQ(ToldWhileHeld, 1) << "a canvas must deselect a handle before it is deleted";
  font->SetAngle(-900);
  EXPECT_EQ(font->Description.Font.lfOrientation, -900);
  const struct { int weight, style, after; } bold[] = {{400, 1, 700}, {699, 1, 700}, {700, 0, 0},
                                                        {800, 1, 800}};
  for (auto c : bold) {
    font->Description.Font.lfWeight = c.weight;
    font->SetStyle(c.style);
    EXPECT_EQ(font->Description.Font.lfWeight, c.after) << c.weight << " " << c.style;
  }
  const std::string forty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
  font->SetFaceName(forty.c_str());
  EXPECT_EQ(font->FaceName(), forty.substr(0, 31));
  Free(font);

  // The same system colour set again after the system changed it makes a new brush.
  const int face = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(face), changed = original ^ 0x00101010;
  TGraphicTool* brush = NewBrush();
  brush->Handle();
  ASSERT_TRUE(SetSysColors(1, &face, &changed));
  brush->SetColor(static_cast<int>(0x8000000F));
  LOGBRUSH made = {};
  GetObjectA(brush->Handle(), sizeof made, &made);
  SetSysColors(1, &face, &original);
  EXPECT_EQ(made.lbColor, changed);
  Free(brush);
}

// Fills and lines leave out the last row and column and the end point; text is opaque on a
// solid brush and transparent on a clear one.
TEST(Canvas, DrawingPaintsOutsideItsShapeOrTextIsOpaqueOnAClearBrush) {
  Surface s(120, 30, Blue);
  s.Canvas->FillRectangle({2, 2, 6, 6});  // no brush yet: the window colour
  s.Canvas->Pen()->SetColor(Red);
  s.Canvas->MovePenTo(0, 10);
  s.Canvas->DrawLineTo(50, 10);
  EXPECT_EQ(s.Count({2, 2, 6, 6}, GetSysColor(COLOR_WINDOW)), 16);
  EXPECT_EQ(s.Count({0, 10, 50, 11}, Red), 50);
  EXPECT_EQ(s.Count({0, 0, 120, 30}, Blue), 3600 - 16 - 50);

  s.Canvas->Font()->SetColor(RGB(255, 255, 255));
  s.Canvas->Brush()->SetColor(Red);
  const SIZE cell = s.Canvas->MeasureText("Wx");
  s.Canvas->WriteText(60, 0, "Wx");
  s.Canvas->Brush()->SetBrushStyle(1);
  s.Canvas->WriteText(90, 0, "Wx");
  const RECT opaque = {60, 0, 60 + cell.cx, cell.cy}, clear = {90, 0, 90 + cell.cx, cell.cy};
  EXPECT_EQ(s.Count(opaque, Blue), 0);
  EXPECT_EQ(s.Count(clear, Red), 0);
  EXPECT_LT(s.Count(clear, Blue), cell.cx * cell.cy);  // the letters are there
}

// Outside a paint a control's canvas gives back the window DC it took, keeping one through a
// run of measurements; a paint DC is only borrowed.
TEST(ControlCanvas, ADCOrAToolLeaksOrAPaintDCIsReleased) {
  TWinControl* form = NewForm(nullptr, "canvas test");
  form->SetPosition(10, 10)->SetClientSize(200, 100);
  form->Show();
  TWinControl* box = NewPaintBox(form);
  TWinCanvas* canvas = box->Canvas();
  canvas->Font()->SetFaceName("Tahoma");
  const int hello = canvas->TextWidth("Hello");
  Surface s(10, 10, Blue);
  TWinControl* loose = NewPaintBox(nullptr);
  loose->Color = static_cast<int>(Red);
  auto cycle = [&](int i) {
    canvas->Brush()->SetColor(i % 2 ? Red : Green);
    canvas->FillRectangle({0, 0, 30, 30});
    canvas->Pen()->SetColor(i % 2 ? Red : Blue);
    canvas->DrawLineTo(30, 30);
    canvas->Font()->SetHeight(12 + i % 3);
    canvas->WriteText(2, 2, "x");
    EXPECT_GT(canvas->TextWidth("Hello"), 0);
    EXPECT_EQ(canvas->DC, nullptr);
    canvas->Font()->SetHeight(0);
    {
      TMeasuringDC measuring(box);
      HDC bound = canvas->DC;
      EXPECT_EQ(canvas->TextWidth("Hello"), hello);
      EXPECT_TRUE(bound && canvas->DC == bound) << "one DC for the whole run";
    }
    EXPECT_EQ(canvas->DC, nullptr);
    box->PaintDC = loose->PaintDC = s.Dc;
    {
      TMeasuringDC measuring(box);
      EXPECT_EQ(canvas->TextWidth("Hello"), hello);
    }
    EXPECT_EQ(canvas->DC, s.Dc);
    canvas->AttachDC(0);
    loose->Canvas()->FillRectangle({0, 0, 5, 5});  // no brush: the control's colour
    loose->Canvas()->AttachDC(0);
    box->PaintDC = loose->PaintDC = 0;
    EXPECT_EQ(GetObjectType(s.Dc), static_cast<DWORD>(OBJ_MEMDC));
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 1000));
  EXPECT_EQ(s.At(2, 2), Red);
  Free(loose);
  Free(form);
}

}  // namespace
