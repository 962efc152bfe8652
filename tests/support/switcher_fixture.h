#pragma once
// The switcher built as the program builds it, but without Start (no hand-over, no hotkeys,
// no first Refresh) and without the input and paint handlers, which would hide the window at
// the first paint because Alt is not held.
#include <gtest/gtest.h>

#include <string>

#include "main.h"
#include "winobj/events.h"

class SwitcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildSwitcher();
    s = Switcher;
  }
  void TearDown() override {  // the form takes the switcher, its entries and painter with it
    TWinControl* form = s->Form;
    MainWindow = nullptr;
    Free(form);
  }
  TSwitcher* s = nullptr;
};

// A list entry that stands for no window; it counts its paints and keeps where it was
// painted last.
struct Row : TFlipDeckEntry {
  explicit Row(const std::wstring& title, int rowHeight = 32) {
    Title = title;
    RowHeight = rowHeight;
  }
  void Paint(TWinCanvas*, const TFlipDeckPainter&, int x, int y, int w, int h) override {
    ++Paints;
    Placed = {x, y, x + w, y + h};
  }
  void Activate() override {}
  RECT Placed = {-1, -1, -1, -1};
  int Paints = 0;
};
