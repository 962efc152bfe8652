// Graphic tools and the canvas: handles made, shared and given back, and the pixels that
// drawing leaves in a bitmap.
#include <gtest/gtest.h>

#include <string>

#include "leaks.h"
#include "surface.h"

namespace {

const COLORREF Blue = RGB(0, 0, 255), Red = RGB(255, 0, 0), Green = RGB(0, 160, 0);

int Notifications = 0;
void CountChange(void*, TGraphicTool*) { Notifications++; }

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
  const struct { int angle, stored; } angles[] = {{900, 900}, {3600, 0}, {-900, -900}};
  for (auto c : angles) {
    font->SetAngle(c.angle);
    EXPECT_EQ(font->Description.Font.lfEscapement, c.stored) << c.angle;
    EXPECT_EQ(font->Description.Font.lfOrientation, c.stored) << c.angle;
  }
  const struct { int weight, style, after; } styles[] = {
      {400, 1, 700}, {699, 1, 700}, {700, 0, 0}, {800, 1, 800}};
  for (auto c : styles) {
    font->Description.Font.lfWeight = c.weight;
    EXPECT_EQ(font->Style() & 1, c.weight >= 700);
    font->SetStyle(c.style);
    EXPECT_EQ(font->Description.Font.lfWeight, c.after) << c.weight << " " << c.style;
  }
  const std::string forty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
  font->SetFaceName(forty.c_str());
  EXPECT_EQ(font->FaceName(), forty.substr(0, 31));
  Free(font);
}

TEST(GraphicTool, SystemColourChangeGivesANewHandle) {
  const int face = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(face), changed = original ^ 0x00101010;
  TGraphicTool* brush = NewBrush();  // the button face colour by default
  HGDIOBJ before = brush->Handle();
  ASSERT_TRUE(SetSysColors(1, &face, &changed));
  brush->SetColor(static_cast<int>(0x8000000F));  // the same value again hides nothing
  HGDIOBJ after = brush->Handle();
  SetSysColors(1, &face, &original);
  LOGBRUSH made = {};
  GetObjectA(after, sizeof made, &made);
  EXPECT_EQ(GetObjectType(before), 0u);
  EXPECT_EQ(made.lbColor, changed);
  Free(brush);
}

TEST(Canvas, FillsAndLinesLeaveOutTheLastRowAndColumnAndTheEndPoint) {
  Surface s(60, 20, Blue);
  s.Canvas->FillRectangle({2, 2, 6, 6});  // no brush yet: the window colour
  s.Canvas->Pen()->SetColor(Red);
  s.Canvas->MovePenTo(0, 10);
  s.Canvas->DrawLineTo(50, 10);
  EXPECT_EQ(s.Count({2, 2, 6, 6}, GetSysColor(COLOR_WINDOW)), 16);
  EXPECT_EQ(s.Count({0, 10, 50, 11}, Red), 50);
  EXPECT_EQ(s.Count({0, 0, 60, 20}, Blue), 1200 - 16 - 50);
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

class ControlCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = NewForm(nullptr, "canvas test");
    form->SetPosition(10, 10)->SetClientSize(200, 100);
    form->Show();
    box = NewPaintBox(form);
    canvas = box->Canvas();
    canvas->Font()->SetFaceName("Tahoma");
  }
  void TearDown() override { Free(form); }

  TWinControl* form = nullptr;
  TWinControl* box = nullptr;
  TWinCanvas* canvas = nullptr;
};

TEST_F(ControlCanvasTest, DrawingAndMeasuringOutsideAPaintGiveTheWindowDCBack) {
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
  EXPECT_TRUE(LeavesNoHandles(cycle, 3000));
}

TEST_F(ControlCanvasTest, AMeasuringDCServesARunOfMeasurementsAndIsGivenBack) {
  const int hello = canvas->TextWidth("Hello"), title = canvas->TextWidth("A longer title");
  auto cycle = [&](int) {
    TMeasuringDC measuring(box);
    HDC bound = canvas->DC;
    EXPECT_NE(bound, nullptr);
    EXPECT_EQ(canvas->TextWidth("Hello"), hello);
    EXPECT_EQ(canvas->TextWidth("A longer title"), title);
    EXPECT_EQ(canvas->DC, bound);  // one DC for the whole run
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 500));
  EXPECT_EQ(canvas->DC, nullptr);
}

// Within a paint the canvas measures and fills on the paint DC, which stays the paint's; a
// control without a brush fills in its own colour.
TEST_F(ControlCanvasTest, APaintDCIsBorrowedNotGivenBack) {
  const int hello = canvas->TextWidth("Hello");
  Surface s(10, 10, Blue);
  TWinControl* loose = NewPaintBox(nullptr);
  loose->Color = static_cast<int>(Red);
  box->PaintDC = loose->PaintDC = s.Dc;
  auto cycle = [&](int) {
    {
      TMeasuringDC measuring(box);
      EXPECT_EQ(canvas->TextWidth("Hello"), hello);
    }
    EXPECT_EQ(canvas->DC, s.Dc);
    canvas->AttachDC(0);
    loose->Canvas()->FillRectangle({0, 0, 5, 5});
    loose->Canvas()->TextWidth("Hello");
    loose->Canvas()->AttachDC(0);
    EXPECT_EQ(GetObjectType(s.Dc), static_cast<DWORD>(OBJ_MEMDC));
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 3));
  EXPECT_EQ(s.At(2, 2), Red);
  box->PaintDC = 0;
  Free(loose);
}

}  // namespace
