#pragma once
// A switcher built the way the program builds it, without Start (no hand-over broadcast,
// no hotkeys, no first Refresh) and without the input and paint handlers, which would
// hide the window at the first paint because Alt is not held.
#include <gtest/gtest.h>

#include "main.h"
#include "winobj/events.h"
#include "winobj/paint.h"

class SwitcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Switcher = NewObject<TSwitcher>();
    TWinControl* form = NewForm(nullptr, "Form1");
    form->SetPosition(144, 171)->SetClientSize(1080, 723);
    Switcher->Form = form;
    Switcher->Initialize();
    MainWindow = form;
    AddToAutoFree(form, Switcher);
    SetBufferedPaint(form, true);
    form->SetHasBorder(false);
    form->SetStayOnTop(true);
    form->Margin = 0;
    TWinControl* paintBox = NewPaintBox(form)->SetAlign(5);
    paintBox->Margin = 2;
    SetBufferedPaint(paintBox, true);
    Switcher->PaintBox = paintBox;
    s = Switcher;
  }

  // The form takes the switcher, its entries and its painter with it.
  void TearDown() override {
    TWinControl* form = s->Form;
    MainWindow = nullptr;
    Free(form);
  }

  TSwitcher* s = nullptr;
};
