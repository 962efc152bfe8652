#pragma once
#include <gtest/gtest.h>

#include "handles.h"

// Runs cycle(i) warmUp times (Wine and the layer make some things once per process), then
// rounds times more; fails if the process then holds more GDI objects or windows.
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
