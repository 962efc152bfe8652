// The test environment itself, on which the pixel, layout and leak tests rely: the
// session's display, the prefix's fonts and registry, and the handle counters.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "handles.h"

namespace {

std::string ResolvedFace(const char* requested) {
  HFONT font = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH, requested);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return face;
}

}  // namespace

TEST(Harness, DisplayFontsAndRegistryAreTheSessions) {
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));

  // A face that does not exist comes back as the substitute, which shows that the name
  // read back is the face actually used.
  EXPECT_NE("NoSuchFaceAnywhere", ResolvedFace("NoSuchFaceAnywhere"));
  EXPECT_EQ("Tahoma", ResolvedFace("Tahoma"));

  // Without "Managed"="N" every hide of a visible window waits 2 s for a window manager.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, KEY_READ, &key));
  char value[8] = "";
  DWORD size = sizeof value;
  const LONG result =
      RegQueryValueExA(key, "Managed", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, result);
  EXPECT_STREQ("N", value);
}

TEST(Harness, HandleCountsFollowCreationAndDeletion) {
  DeleteDC(CreateCompatibleDC(nullptr));  // the first DC makes objects that stay
  const int gdi = CountGdiObjects();
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(gdi + 1, CountGdiObjects());
  DeleteObject(brush);
  EXPECT_EQ(gdi, CountGdiObjects());

  const int windows = CountWindows();
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(windows + 1, CountWindows());
  DestroyWindow(window);
  EXPECT_EQ(windows, CountWindows());
}
