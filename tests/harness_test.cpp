// The session that scripts/wine-session sets up, on which the pixel, layout and leak tests
// rely: its display, the prefix's fonts and registry, and handle counters that count.
#include <windows.h>

#include <gtest/gtest.h>

#include "handles.h"

TEST(Harness, TheSessionOrTheHandleCountersAreNotWhatTheTestsAssume) {
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));
  // Without "Managed"="N" every hide of a visible window waits 2 s for a window manager.
  char value[8] = "";
  DWORD size = sizeof value;
  RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", RRF_RT_REG_SZ,
               nullptr, value, &size);
  EXPECT_STREQ("N", value);

  // Without the fonts copied into the prefix every face silently becomes DejaVu Sans.
  HFONT font = CreateFontA(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  EXPECT_STREQ("Tahoma", face);
  DeleteObject(SelectObject(dc, old));
  ReleaseDC(nullptr, dc);

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
