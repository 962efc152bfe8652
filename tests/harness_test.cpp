// The session that scripts/wine-session sets up, on which the pixel, layout and leak
// tests rely: its display, the prefix's fonts and registry, and the handle counters.
#include <windows.h>

#include <gtest/gtest.h>

#include "handles.h"

TEST(Harness, DisplayFontsAndRegistryAreTheSessions) {
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));

  // Without the fonts copied into the prefix every face silently becomes DejaVu Sans.
  HFONT font = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                           0, 0, "Tahoma");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  DeleteObject(SelectObject(dc, old));
  ReleaseDC(nullptr, dc);
  EXPECT_STREQ("Tahoma", face);

  // Without "Managed"="N" every hide of a visible window waits 2 s for a window manager.
  char value[8] = "";
  DWORD size = sizeof value;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver",
                                        "Managed", RRF_RT_REG_SZ, nullptr, value, &size));
  EXPECT_STREQ("N", value);
}

// The leak checks pass vacuously if the counters do not count.
TEST(Harness, HandleCountersFollowCreationAndDeletion) {
  DeleteDC(CreateCompatibleDC(nullptr));  // the first DC makes objects that stay
  const int gdi = CountGdiObjects(), windows = CountWindows();
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  EXPECT_EQ(gdi + 1, CountGdiObjects());
  EXPECT_EQ(windows + 1, CountWindows());
  DeleteObject(brush);
  DestroyWindow(window);
  EXPECT_EQ(gdi, CountGdiObjects());
  EXPECT_EQ(windows, CountWindows());
}
