#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "handles.h"
#include "main.h"
#include "options.h"
#include "process.h"
#include "toplevel.h"
#include "wait.h"
#include "winobj/canvas.h"
#include "messagebox.h"
#include "winobj/utils.h"

namespace {

// Started again as a child with kProbeVariable naming a file, this program runs
// the switcher's start-up initialisation on its own command line and writes there
// the settings it ends with, one "Name=value" a line.
const char kProbeVariable[] = "FLIPDECK_OPTIONS_PROBE";

struct OptionsProbe {
  OptionsProbe() {
    char file[MAX_PATH];
    if (GetEnvironmentVariableA(kProbeVariable, file, sizeof file) == 0) return;
    Switcher = NewObject<TSwitcher>();
    Switcher->Form = NewForm(nullptr, "Form1");
    HWND form = Switcher->Form->GetHandle();
    Switcher->Initialize();
    const TFlipPainter& p = *Switcher->Painter;
    BYTE alpha = 0;
    bool layered = (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    if (layered) GetLayeredWindowAttributes(form, nullptr, &alpha, nullptr);
    std::pair<const char*, int> values[] = {
        {"Background", p.Background}, {"Foreground", p.Foreground},
        {"Shadow", p.Shadow},         {"Highlight", p.Highlight},
        {"FontColor", p.FontColor},   {"Transparency", p.Transparency},
        {"RowHeight", p.RowHeight},   {"CenterX", Switcher->CenterX},
        {"CenterY", Switcher->CenterY}, {"SortAlphabetically", Switcher->SortAlphabetically},
        {"Layered", layered},         {"Alpha", alpha}};
    std::string report;
    for (auto& value : values) {
      report += std::string(value.first) + "=" + NumberToText(value.second) + "\n";
    }
    WriteReport(file, report);
    ExitProcess(0);
  }
} probe;

// Presses OK on every message box the process shows, one after the other, until
// finished() holds with no box on screen; returns the boxes in the order shown.
std::vector<SeenBox> CloseBoxesUntil(DWORD process, const std::function<bool()>& finished) {
  std::vector<SeenBox> boxes;
  for (;;) {
    HWND box = nullptr;
    bool seen = WaitUntil([&] {
      std::vector<HWND> found = TopLevelWindows(process, "#32770");
      box = found.empty() ? nullptr : found.front();
      return (box && IsWindowVisible(box)) || finished();
    }, 20000);
    if (!seen) {
      ADD_FAILURE() << "neither a message box nor the end came";
      return boxes;
    }
    if (!box || !IsWindowVisible(box)) return boxes;
    boxes.push_back(CloseBox(box));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000));
  }
}

std::vector<std::string> Texts(const std::vector<SeenBox>& boxes) {
  std::vector<std::string> texts;
  for (const SeenBox& box : boxes) {
    texts.push_back(box.Text);
    EXPECT_EQ(box.Caption, "Error");
    EXPECT_EQ(box.Owner, nullptr);
  }
  return texts;
}

struct ProbeResult {
  std::map<std::string, int> Values;
  std::vector<std::string> Boxes;
};

// Runs the probe with the options, closing its message boxes as they come.
ProbeResult RunProbe(const std::string& options) {
  char dir[MAX_PATH], file[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  GetTempFileNameA(dir, "fdo", 0, file);
  SetEnvironmentVariableA(kProbeVariable, file);
  Program child = StartProgram("options_test", options);
  SetEnvironmentVariableA(kProbeVariable, nullptr);
  ProbeResult result;
  result.Boxes = Texts(CloseBoxesUntil(child.Id(), [&] { return !child.IsRunning(); }));
  EXPECT_TRUE(child.WaitForExit(10000));
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    size_t equals = line.find('=');
    result.Values[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
  }
  in.close();
  DeleteFileA(file);
  return result;
}

using Strings = std::vector<std::string>;

// ---- Value syntax ----

TEST(SplitOption, SplitsAtTheFirstEquals) {
  std::string name, value;
  ASSERT_TRUE(SplitOption("-a=b=c", name, value));
  EXPECT_EQ(name, "-a");
  EXPECT_EQ(value, "b=c");
  ASSERT_TRUE(SplitOption("=7", name, value));
  EXPECT_EQ(name, "");
  EXPECT_EQ(value, "7");
  ASSERT_TRUE(SplitOption("-a=", name, value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(SplitOption("plain", name, value));
}

TEST(TextToInt, AcceptsDecimalAndPrefixedHexadecimal) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0},          {"42", 42},          {"   42", 42},          {"+42", 42},
      {"-45", -45},      {"007", 7},          {"$100", 256},          {"x1F", 31},
      {"X1f", 31},       {"0x10", 16},        {"0X10", 16},           {"-$10", -16},
      {"$FFFFFFFF", -1}, {"0x80000000", -2147483647 - 1},           {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},       {"$00000000FF", 255}};
  for (auto& c : cases) {
    int value = 77;
    EXPECT_TRUE(TextToInt(c.first, value)) << c.first;
    EXPECT_EQ(value, c.second) << c.first;
  }
}

TEST(TextToInt, RejectsAnythingElseAndKeepsTheValue) {
  const char* cases[] = {"",      " ",           "-",           "+",           "$",
                         "0x",    "100px",       "42 ",         "\t42",        "1.5",
                         "--1",   "0x-1",        "$ 1",         "12345G",      "2147483648",
                         "-2147483649", "$100000000", "0x1FFFFFFFF", "zzz"};
  for (const char* text : cases) {
    int value = 77;
    EXPECT_FALSE(TextToInt(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 77) << text;
  }
}

TEST(TextToColor, SixCharactersAreRedGreenBlue) {
  const std::pair<const char*, int> cases[] = {
      {"446EA5", 0x00A56E44}, {"FF0000", 0x000000FF},  {"123456", 0x00563412},
      {"$FFFFFF", 0xFFFFFF},  {"16777215", 0xFFFFFF},  {"$FF0000", 0xFF0000},
      {"$8000000F", static_cast<int>(0x8000000F)},     {"255", 255}};
  for (auto& c : cases) {
    int value = 77;
    EXPECT_TRUE(TextToColor(c.first, value)) << c.first;
    EXPECT_EQ(value, c.second) << c.first;
  }
  for (const char* text : {"FFF", "12345G", "", "FFFFFF ", "-12345", "zzz"}) {
    int value = 77;
    EXPECT_FALSE(TextToColor(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 77) << text;
  }
}

// ---- Both readers on a real command line ----

TEST(ReadOptions, WithoutOptionsEverythingHasItsDefault) {
  ProbeResult r = RunProbe("");
  EXPECT_EQ(r.Boxes, Strings());
  std::map<std::string, int> expected = {
      {"Background", 0xA56E44}, {"Foreground", 0x926137}, {"Shadow", 0x332111},
      {"Highlight", 0xAF9176},  {"FontColor", 0xEEEEEE},  {"Transparency", 255},
      {"RowHeight", 32},        {"CenterX", ScreenWidth() / 2},
      {"CenterY", ScreenHeight() / 2},                    {"SortAlphabetically", 0},
      {"Layered", 0},           {"Alpha", 0}};
  EXPECT_EQ(r.Values, expected);
}

TEST(ReadOptions, UnknownNamesAndPlainWordsAreSkippedSilently) {
  ProbeResult r = RunProbe(
      "plain -centerX=-20 -CenterX=5 -sortalphabetically=true =7 -centerY=$100 word "
      "\"-background=FF0000\" -Background=00FF00 -font=$FFFFFF -foreground=123456 "
      "-highlight=$8000000F");
  EXPECT_EQ(r.Boxes, Strings());
  EXPECT_EQ(r.Values["CenterX"], -20);
  EXPECT_EQ(r.Values["CenterY"], 256);
  EXPECT_EQ(r.Values["SortAlphabetically"], 0);
  EXPECT_EQ(r.Values["Background"], 0x0000FF);
  EXPECT_EQ(r.Values["FontColor"], 0xFFFFFF);
  EXPECT_EQ(r.Values["Foreground"], 0x563412);
  EXPECT_EQ(r.Values["Highlight"], static_cast<int>(0x8000000F));
}

TEST(ReadOptions, SwitchesTakeExactlyTrueAndLaterOptionsWin) {
  ProbeResult r = RunProbe("-sortAlphabetically=True -largerows=yes -smallrows=TRUE");
  EXPECT_EQ(r.Values["SortAlphabetically"], 0);
  EXPECT_EQ(r.Values["RowHeight"], 32);

  r = RunProbe("-sortAlphabetically=true -largerows=true -smallrows=true -centerX=10 "
               "-centerX=20 -background=000001 -background=000002");
  EXPECT_EQ(r.Values["SortAlphabetically"], 1);
  EXPECT_EQ(r.Values["RowHeight"], 24);
  EXPECT_EQ(r.Values["CenterX"], 20);
  EXPECT_EQ(r.Values["Background"], 0x020000);

  r = RunProbe("-smallrows=true -largerows=true");
  EXPECT_EQ(r.Values["RowHeight"], 64);
  EXPECT_EQ(r.Boxes, Strings());
}

TEST(ReadOptions, BadValuesAreReportedAndKeepTheirValue) {
  ProbeResult r = RunProbe("-shadow=12345G -centerX=100px -centerY=7 -font=\"EEEEEE\"");
  EXPECT_EQ(r.Boxes, Strings({"could not parse parameter-shadow=12345G",
                              "could not parse parameter-font=\"EEEEEE\"",
                              "-centerX has to be a number",
                              "could not parse parameter-shadow=12345G",
                              "could not parse parameter-font=\"EEEEEE\""}));
  EXPECT_EQ(r.Values["Shadow"], 0x332111);
  EXPECT_EQ(r.Values["FontColor"], 0xEEEEEE);
  EXPECT_EQ(r.Values["CenterX"], ScreenWidth() / 2);
  EXPECT_EQ(r.Values["CenterY"], 7);

  r = RunProbe("-centerY= -centerX=2147483648");
  EXPECT_EQ(r.Boxes, Strings({"-centerY has to be a number", "-centerX has to be a number"}));
  EXPECT_EQ(r.Values["CenterY"], ScreenHeight() / 2);
}

TEST(ReadOptions, TransparencyIsTheFormsAlphaWithinZeroTo255) {
  ProbeResult r = RunProbe("-transparency=200");
  EXPECT_EQ(r.Boxes, Strings());
  EXPECT_EQ(r.Values["Transparency"], 200);
  EXPECT_EQ(r.Values["Layered"], 1);
  EXPECT_EQ(r.Values["Alpha"], 200);

  r = RunProbe("-transparency=100 -transparency=255");
  EXPECT_EQ(r.Values["Transparency"], 255);
  EXPECT_EQ(r.Values["Layered"], 0);

  // 256 would leave an alpha of 0: an invisible switcher.
  const std::string message = "-transparency has to be a number between 0 and 255";
  r = RunProbe("-transparency=256");
  EXPECT_EQ(r.Boxes, Strings({message, message}));
  EXPECT_EQ(r.Values["Transparency"], 255);
  EXPECT_EQ(r.Values["Layered"], 0);

  r = RunProbe("-transparency=100 -transparency=-1");
  EXPECT_EQ(r.Boxes, Strings({message, message}));
  EXPECT_EQ(r.Values["Transparency"], 100);
  EXPECT_EQ(r.Values["Alpha"], 100);
}

// ---- The painter ----

TEST(FillBackground, FillsTheRectangleInBackgroundAndLeavesTheBrushSolid) {
  ReleaseDC(nullptr, GetDC(nullptr));  // the first DCs make objects that stay
  DeleteDC(CreateCompatibleDC(nullptr));
  int gdiBefore = CountGdiObjects();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 8, 8, BLACKNESS);

  TFlipPainter painter;
  painter.Background = 0x0000FF;
  TWinCanvas* canvas = NewCanvas(dc);
  painter.FillBackground(canvas, {2, 2, 6, 6});
  EXPECT_EQ(GetPixel(dc, 2, 2), 0x0000FFu);
  EXPECT_EQ(GetPixel(dc, 5, 5), 0x0000FFu);
  EXPECT_EQ(GetPixel(dc, 6, 6), 0u);  // right column and bottom row stay outside
  EXPECT_EQ(GetPixel(dc, 1, 1), 0u);
  EXPECT_EQ(canvas->Brush()->Color(), 0x0000FF);
  EXPECT_EQ(canvas->Brush()->Description.Brush.BrushStyle, 0);

  SelectObject(dc, oldBitmap);
  Free(canvas);  // a free canvas owns the DC it was made with
  DeleteObject(bitmap);
  EXPECT_EQ(CountGdiObjects(), gdiBefore);
}

// ---- The real program ----

UINT HandOverMessage = 0;
HWND HandedOverForm = nullptr;

LRESULT CALLBACK HandOverWatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == HandOverMessage && message != 0) HandedOverForm = reinterpret_cast<HWND>(wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(FlipDeck, ReportsBadOptionsBeforeStartingAndRunsWithTheOthers) {
  HandOverMessage = RegisterWindowMessageA("FlipDeckSuizideMessage");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HandOverWatcher;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "HandOverWatcher";
  RegisterClassA(&windowClass);
  // Hidden but top-level, so that the start-up broadcast reaches it.
  HWND watcher = CreateWindowExA(0, "HandOverWatcher", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(watcher, nullptr);
  HandedOverForm = nullptr;

  Program flipDeck = StartProgram("FlipDeck", "-background=zzz -centerX=1px -transparency=200");
  EXPECT_TRUE(flipDeck.IsStarted());
  // The hand-over broadcast comes from Start, right after the options were read.
  Strings boxes = Texts(CloseBoxesUntil(flipDeck.Id(), [] { return HandedOverForm != nullptr; }));
  EXPECT_EQ(boxes, Strings({"could not parse parameter-background=zzz",
                            "-centerX has to be a number",
                            "could not parse parameter-background=zzz"}));
  DWORD formProcess = 0;
  GetWindowThreadProcessId(HandedOverForm, &formProcess);
  EXPECT_EQ(formProcess, flipDeck.Id());
  EXPECT_TRUE(flipDeck.IsRunning());
  BYTE alpha = 0;
  EXPECT_NE(GetWindowLongA(HandedOverForm, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_TRUE(GetLayeredWindowAttributes(HandedOverForm, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 200);

  PostMessageA(HandedOverForm, WM_CLOSE, 0, 0);
  EXPECT_TRUE(flipDeck.WaitForExit(10000));
  DestroyWindow(watcher);
  UnregisterClassA("HandOverWatcher", windowClass.hInstance);
}

}  // namespace
