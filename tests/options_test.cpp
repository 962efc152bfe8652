// The command-line options: their value syntax, and both readers on a real command line
// with the message boxes of bad values.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "main.h"
#include "messagebox.h"
#include "options.h"
#include "process.h"
#include "toplevel.h"
#include "wait.h"

namespace {

// Started again as a child with this variable naming a file, this program builds the
// switcher as the program does, on its own command line, and writes there the settings
// it ends with: " Name=value" each, colours in hex.
const char kProbeVariable[] = "FLIPDECK_OPTIONS_PROBE";

const bool probed = [] {
  char file[MAX_PATH];
  if (GetEnvironmentVariableA(kProbeVariable, file, sizeof file) == 0) return false;
  BuildSwitcher();
  const TFlipPainter& p = *Switcher->Painter;
  BYTE alpha = 0;
  const HWND form = Switcher->Form->Handle;
  const bool layered = (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  if (layered) GetLayeredWindowAttributes(form, nullptr, &alpha, nullptr);
  FILE* out = std::fopen(file, "w");
  std::fprintf(out, " Background=%06X Foreground=%06X Shadow=%06X Highlight=%06X FontColor=%06X",
               p.Background, p.Foreground, p.Shadow, p.Highlight, p.FontColor);
  std::fprintf(out, " RowHeight=%d CenterX=%d CenterY=%d CenterGiven=%d Sorted=%d Alpha=%d",
               p.RowHeight, Switcher->CenterX, Switcher->CenterY, Switcher->CenterGiven,
               Switcher->SortAlphabetically, layered ? alpha : -1);
  std::fclose(out);
  ExitProcess(0);
}();

TEST(OptionValues, ANumberOrColourIsMisreadOrABadOneOverwritesTheSetting) {
  const struct {
    bool (*read)(const std::string&, int&);
    const char* text;
    int value;
  } good[] = {
      {TextToInt, "42", 42},     {TextToInt, "   42", 42},  {TextToInt, "+42", 42},
      {TextToInt, "-45", -45},   {TextToInt, "007", 7},     {TextToInt, "$100", 256},
      {TextToInt, "x1F", 31},    {TextToInt, "X1f", 31},    {TextToInt, "0x10", 16},
      {TextToInt, "0X10", 16},   {TextToInt, "-$10", -16},  {TextToInt, "$FFFFFFFF", -1},
      {TextToInt, "0x80000000", INT_MIN}, {TextToInt, "2147483647", INT_MAX},
      {TextToInt, "-2147483648", INT_MIN}, {TextToInt, "$00000000FF", 255},
      {TextToColor, "446EA5", 0x00A56E44}, {TextToColor, "$FF0000", 0xFF0000},
      {TextToColor, "16777215", 0xFFFFFF}, {TextToColor, "255", 255},
      {TextToColor, "$8000000F", static_cast<int>(0x8000000F)},
  };
  for (const auto& c : good) {
    int value = 77;
    EXPECT_TRUE(c.read(c.text, value) && value == c.value) << c.text << " gave " << value;
  }
  for (const char* text : {"", " ", "-", "+", "$", "0x", "100px", "42 ", "\t42", "1.5", "--1",
                           "0x-1", "$ 1", "2147483648", "-2147483649", "$100000000",
                           "0x1FFFFFFFF"})
    for (auto read : {TextToInt, TextToColor}) {
      int value = 77;
      EXPECT_FALSE(read(text, value) || value != 77) << '"' << text << '"';
    }
  for (const char* text : {"FFF", "12345G", "FFFFFF ", "-12345"}) {
    int value = 77;
    EXPECT_FALSE(TextToColor(text, value) || value != 77) << '"' << text << '"';
  }
}

TEST(ReadOptions, EachCommandLineGivesItsSettingsAndReportsEveryBadValue) {
  const std::string x = std::to_string(ScreenWidth() / 2), y = std::to_string(ScreenHeight() / 2);
  const std::string shadow = "could not parse parameter-shadow=12345G",
                    font = "could not parse parameter-font=\"EEEEEE\"",
                    centerX = "-centerX has to be a number",
                    alpha = "-transparency has to be a number between 0 and 255";
  // A command line, the message boxes it shows in order (the painter's reader runs twice,
  // before and after the controller's) and settings it ends with.
  const struct {
    const char* options;
    std::vector<std::string> boxes;
    std::string settings;
  } cases[] = {
      {"", {},
       " Background=A56E44 Foreground=926137 Shadow=332111 Highlight=AF9176 FontColor=EEEEEE "
       "RowHeight=32 CenterX=" + x + " CenterY=" + y + " CenterGiven=0 Sorted=0 Alpha=-1"},
      // Unknown names and plain words are skipped silently, later options win, only
      // "true" switches.
      {"plain -centerX=9 -centerX=-20 -CenterX=5 -sortalphabetically=true =7 -centerY=$100 "
       "word \"-background=FF0000\" -Background=00FF00 -font=$FFFFFF -foreground=123456 "
       "-highlight=$8000000F -shadow=000001 -shadow=000002 -sortAlphabetically=True "
       "-smallrows=true -largerows=true -smallrows=TRUE",
       {},
       "CenterX=-20 CenterY=256 CenterGiven=1 Sorted=0 RowHeight=64 Background=0000FF "
       "FontColor=FFFFFF Foreground=563412 Highlight=8000000F Shadow=020000"},
      {"-sortAlphabetically=true -largerows=true -smallrows=true -largerows=yes", {},
       "Sorted=1 RowHeight=24"},
      // Bad values keep the value before them.
      {"-shadow=12345G -centerX=100px -centerY=7 -font=\"EEEEEE\"",
       {shadow, font, centerX, shadow, font},
       "Shadow=332111 FontColor=EEEEEE CenterX=" + x + " CenterY=7"},
      // Later equals signs belong to the value; without a valid point the list follows
      // the user.
      {"-centerY= -centerX=2147483648 -centerX=1=2",
       {"-centerY has to be a number", centerX, centerX}, "CenterY=" + y + " CenterGiven=0"},
      {"-transparency=200", {}, "Alpha=200"},
      {"-transparency=100 -transparency=255", {}, "Alpha=-1"},
      // 256 would leave an alpha of 0: an invisible switcher.
      {"-transparency=100 -transparency=256 -transparency=-1", {alpha, alpha, alpha, alpha},
       "Alpha=100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "fdo", 0, file);
    SetEnvironmentVariableA(kProbeVariable, file);
    Program child = StartProgram("options_test", c.options);
    SetEnvironmentVariableA(kProbeVariable, nullptr);
    // OK on every box until the child ends; each is an unowned "Error".
    std::vector<std::string> boxes;
    for (;;) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitUntil([&] {
        const std::vector<HWND> found = TopLevelWindows(child.Id(), "#32770");
        box = found.empty() || !IsWindowVisible(found[0]) ? nullptr : found[0];
        return box || !child.IsRunning();
      }, 20000)) << "neither a message box nor the end came";
      if (!box) break;
      EXPECT_EQ("Error", WindowText(box));
      EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER));
      boxes.push_back(CloseBox(box).Text);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000));
    }
    EXPECT_EQ(c.boxes, boxes);
    std::stringstream got;
    got << std::ifstream(file).rdbuf();
    DeleteFileA(file);
    EXPECT_TRUE(*c.options || c.settings == got.str()) << got.str();
    std::istringstream expected(c.settings);
    for (std::string setting; expected >> setting;)
      EXPECT_NE(std::string::npos, (got.str() + " ").find(" " + setting + " ")) << setting;
  }
}

}  // namespace
