// The test environment itself: the session's display, the prefix's fonts and
// registry, and starting other programs, on which every end-to-end test
// relies.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "process.h"
#include "toplevel.h"
#include "wait.h"
#include "xkeys.h"

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

std::set<std::string> VisibleTitles(DWORD processId) {
  std::set<std::string> titles;
  for (HWND hwnd : TopLevelWindows(processId, "DemoWindow")) {
    if (IsWindowVisible(hwnd)) titles.insert(WindowText(hwnd));
  }
  return titles;
}

}  // namespace

TEST(Harness, ScreenIsTheSessionsDisplay) {
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(600, GetSystemMetrics(SM_CYSCREEN));
}

TEST(Harness, TahomaIsTheRealFace) {
  // A face that does not exist comes back as the substitute, which shows
  // that the name read back is the face actually used.
  EXPECT_NE("NoSuchFaceAnywhere", ResolvedFace("NoSuchFaceAnywhere"));
  EXPECT_EQ("Tahoma", ResolvedFace("Tahoma"));
}

TEST(Harness, X11DriverIsUnmanaged) {
  // Without it every hide of a visible window waits 2 s for a window manager.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, KEY_READ, &key));
  char value[8] = "";
  DWORD size = sizeof value;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, "Managed", nullptr, &type,
                                       reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, result);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_STREQ("N", value);
}

TEST(Harness, StartsHelperProgramAndSeesItsWindows) {
  Program demo = StartProgram("demowindows", "30");
  ASSERT_TRUE(demo.IsStarted());
  const std::set<std::string> expected = {"Notes - todo.txt", "Calculator", "Mail - Inbox (3)",
                                          "Terminal"};
  EXPECT_TRUE(WaitUntil([&] { return VisibleTitles(demo.Id()) == expected; }, 10000));

  // The same windows exist on the X side, where xdotool works.
  HWND calculator = FindWindowA("DemoWindow", "Calculator");
  ASSERT_NE(nullptr, calculator);
  const unsigned long xid = XWindowOf(calculator);
  EXPECT_NE(0ul, xid);
  std::string found;
  EXPECT_EQ(0, RunUnix("xdotool search --name '^Calculator$'", &found));
  EXPECT_EQ(std::to_string(xid) + "\n", found);

  // Closing every window ends the program normally.
  for (HWND hwnd : TopLevelWindows(demo.Id(), "DemoWindow")) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(demo.WaitForExit(5000));
  EXPECT_EQ(0u, demo.ExitCode());
}

TEST(Harness, KillEndsARunningProgram) {
  Program demo = StartProgram("demowindows.exe", "30");
  ASSERT_TRUE(demo.IsStarted());
  EXPECT_NE(nullptr, WaitForVisibleWindow(demo.Id(), "DemoWindow", 10000));
  EXPECT_TRUE(demo.IsRunning());
  HANDLE process = nullptr;
  DuplicateHandle(GetCurrentProcess(), demo.Handle(), GetCurrentProcess(), &process, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  demo.Kill();
  EXPECT_FALSE(demo.IsStarted());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 0));
  CloseHandle(process);
}

TEST(Harness, MissingProgramIsNotStarted) {
  EXPECT_FALSE(StartProgram("no-such-program").IsStarted());
}

TEST(Harness, RunsUnixCommands) {
  EXPECT_EQ(0, RunUnix("true"));
  EXPECT_EQ(3, RunUnix("exit 3"));
  const char* display = getenv("DISPLAY");
  ASSERT_NE(nullptr, display);
  std::string output;
  EXPECT_EQ(0, RunUnix("printf '%s|%s' \"two words\" \"$DISPLAY\" # a comment", &output));
  EXPECT_EQ(std::string("two words|") + display, output);
  EXPECT_EQ(-1, RunUnix("sleep 1", nullptr, 200));
}

TEST(Harness, QuotesArgumentsForTheCRuntime) {
  EXPECT_EQ("plain", QuoteArgument("plain"));
  EXPECT_EQ("\"\"", QuoteArgument(""));
  EXPECT_EQ("\"a b\"", QuoteArgument("a b"));
  EXPECT_EQ("\"say \\\"hi\\\"\"", QuoteArgument("say \"hi\""));
  EXPECT_EQ("\"dir with space\\\\\"", QuoteArgument("dir with space\\"));
  EXPECT_EQ("back\\slash", QuoteArgument("back\\slash"));
}

#include "handles.h"

TEST(Handles, CountsFollowCreationAndDeletion) {
  HDC warm = CreateCompatibleDC(nullptr);  // the first DC makes objects that stay
  DeleteDC(warm);
  int gdi = CountGdiObjects();
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(gdi + 1, CountGdiObjects());
  DeleteObject(brush);
  EXPECT_EQ(gdi, CountGdiObjects());

  int windows = CountWindows();
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(windows + 1, CountWindows());
  DestroyWindow(window);
  EXPECT_EQ(windows, CountWindows());
}
