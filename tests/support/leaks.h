#pragma once
// The one handle-leak check of the layer tests: what a repeated operation leaves behind.
#include <gtest/gtest.h>

#include "handles.h"

// Runs cycle(i) for i from 0 to warmUp - 1 (Wine and the layer make some things once per
// process), then rounds times more, and fails when the process then holds more GDI objects
// or windows.
template <typename Cycle>
::testing::AssertionResult LeavesNoHandles(Cycle cycle, int rounds, int warmUp = 3) {
  for (int i = 0; i < warmUp; ++i) cycle(i);
  const int gdi = CountGdiObjects(), windows = CountWindows();
  for (int i = warmUp; i < warmUp + rounds; ++i) cycle(i);
  const int moreGdi = CountGdiObjects() - gdi, moreWindows = CountWindows() - windows;
  if (moreGdi == 0 && moreWindows == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << moreGdi << " GDI objects and " << moreWindows
                                       << " windows more after " << rounds << " rounds";
}
