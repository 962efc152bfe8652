// The command-line options: their value syntax, and both readers on a real command line
// with the message boxes of bad values.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "main.h"
#include "messagebox.h"
#include "options.h"
#include "process.h"
#include "toplevel.h"
#include "wait.h"

namespace {

using Strings = std::vector<std::string>;
using Settings = std::map<std::string, int>;

// Started again as a child with this variable naming a file, this program builds the
// switcher as the program does, on its own command line, and writes there the settings
// it ends with, one "Name=value" a line.
const char kProbeVariable[] = "FLIPDECK_OPTIONS_PROBE";

const bool probed = [] {
  char file[MAX_PATH];
  if (GetEnvironmentVariableA(kProbeVariable, file, sizeof file) == 0) return false;
  BuildSwitcher();
  HWND form = Switcher->Form->Handle;
  const TFlipPainter& p = *Switcher->Painter;
  BYTE alpha = 0;
  const bool layered = (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  if (layered) GetLayeredWindowAttributes(form, nullptr, &alpha, nullptr);
  const Settings settings = {
      {"Background", p.Background}, {"Foreground", p.Foreground}, {"Shadow", p.Shadow},
      {"Highlight", p.Highlight}, {"FontColor", p.FontColor}, {"Transparency", p.Transparency},
      {"RowHeight", p.RowHeight}, {"CenterX", Switcher->CenterX}, {"CenterY", Switcher->CenterY},
      {"SortAlphabetically", Switcher->SortAlphabetically},
      {"CenterGiven", Switcher->CenterGiven}, {"Layered", layered}, {"Alpha", alpha}};
  std::ofstream out(file, std::ios::binary);
  for (const auto& setting : settings) out << setting.first << "=" << setting.second << "\n";
  out.close();
  ExitProcess(0);
}();

// Presses OK on every message box the process shows until finished() holds with no box
// on screen; returns their texts in the order shown. Every box is an unowned "Error".
Strings CloseBoxesUntil(DWORD process, const std::function<bool()>& finished) {
  Strings texts;
  for (;;) {
    HWND box = nullptr;
    const bool seen = WaitUntil([&] {
      const std::vector<HWND> found = TopLevelWindows(process, "#32770");
      box = found.empty() || !IsWindowVisible(found.front()) ? nullptr : found.front();
      return box || finished();
    }, 20000);
    if (!seen) ADD_FAILURE() << "neither a message box nor the end came";
    if (!box) return texts;
    const SeenBox closed = CloseBox(box);
    texts.push_back(closed.Text);
    EXPECT_EQ("Error", closed.Caption);
    EXPECT_EQ(nullptr, closed.Owner);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000));
  }
}

TEST(OptionValues, ANumberOrColourIsMisreadOrABadOneOverwritesTheSetting) {
  const struct {
    bool (*read)(const std::string&, int&);
    const char* text;
    bool good;
    int value;
  } cases[] = {
      {TextToInt, "42", true, 42},          {TextToInt, "   42", true, 42},
      {TextToInt, "+42", true, 42},         {TextToInt, "-45", true, -45},
      {TextToInt, "007", true, 7},          {TextToInt, "$100", true, 256},
      {TextToInt, "x1F", true, 31},         {TextToInt, "X1f", true, 31},
      {TextToInt, "0x10", true, 16},        {TextToInt, "0X10", true, 16},
      {TextToInt, "-$10", true, -16},       {TextToInt, "$FFFFFFFF", true, -1},
      {TextToInt, "0x80000000", true, INT_MIN}, {TextToInt, "2147483647", true, INT_MAX},
      {TextToInt, "-2147483648", true, INT_MIN}, {TextToInt, "$00000000FF", true, 255},
      {TextToColor, "446EA5", true, 0x00A56E44}, {TextToColor, "$FF0000", true, 0xFF0000},
      {TextToColor, "16777215", true, 0xFFFFFF}, {TextToColor, "255", true, 255},
      {TextToColor, "$8000000F", true, static_cast<int>(0x8000000F)},
  };
  for (const auto& c : cases) {
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

// A command line, the message boxes it shows in order (the painter's reader runs twice,
// before and after the controller's) and settings it ends with.
struct OptionsCase {
  const char* options;
  Strings boxes;
  Settings values;
};

TEST(ReadOptions, EachCommandLineGivesItsSettingsAndReportsEveryBadValue) {
  const int x = ScreenWidth() / 2, y = ScreenHeight() / 2;
  const std::string shadow = "could not parse parameter-shadow=12345G",
                    font = "could not parse parameter-font=\"EEEEEE\"",
                    centerX = "-centerX has to be a number",
                    alpha = "-transparency has to be a number between 0 and 255";
  const OptionsCase cases[] = {
      {"", {},
       {{"Background", 0xA56E44}, {"Foreground", 0x926137}, {"Shadow", 0x332111},
        {"Highlight", 0xAF9176}, {"FontColor", 0xEEEEEE}, {"Transparency", 255},
        {"RowHeight", 32}, {"CenterX", x}, {"CenterY", y}, {"SortAlphabetically", 0},
        {"CenterGiven", 0}, {"Layered", 0}, {"Alpha", 0}}},
      // Unknown names and plain words are skipped silently, later options win, only
      // "true" switches.
      {"plain -centerX=9 -centerX=-20 -CenterX=5 -sortalphabetically=true =7 -centerY=$100 "
       "word \"-background=FF0000\" -Background=00FF00 -font=$FFFFFF -foreground=123456 "
       "-highlight=$8000000F -shadow=000001 -shadow=000002 -sortAlphabetically=True "
       "-smallrows=true -largerows=true -smallrows=TRUE",
       {},
       {{"CenterX", -20}, {"CenterY", 256}, {"CenterGiven", 1}, {"SortAlphabetically", 0},
        {"RowHeight", 64}, {"Background", 0x0000FF}, {"FontColor", 0xFFFFFF},
        {"Foreground", 0x563412}, {"Highlight", static_cast<int>(0x8000000F)},
        {"Shadow", 0x020000}}},
      {"-sortAlphabetically=true -largerows=true -smallrows=true -largerows=yes", {},
       {{"SortAlphabetically", 1}, {"RowHeight", 24}}},
      // Bad values keep the value before them.
      {"-shadow=12345G -centerX=100px -centerY=7 -font=\"EEEEEE\"",
       {shadow, font, centerX, shadow, font},
       {{"Shadow", 0x332111}, {"FontColor", 0xEEEEEE}, {"CenterX", x}, {"CenterY", 7}}},
      // Later equals signs belong to the value; without a valid point the list follows
      // the user.
      {"-centerY= -centerX=2147483648 -centerX=1=2",
       {"-centerY has to be a number", centerX, centerX},
       {{"CenterY", y}, {"CenterGiven", 0}}},
      {"-transparency=200", {}, {{"Transparency", 200}, {"Layered", 1}, {"Alpha", 200}}},
      {"-transparency=100 -transparency=255", {}, {{"Transparency", 255}, {"Layered", 0}}},
      // 256 would leave an alpha of 0: an invisible switcher.
      {"-transparency=100 -transparency=256 -transparency=-1", {alpha, alpha, alpha, alpha},
       {{"Transparency", 100}, {"Alpha", 100}}},
  };
  for (const OptionsCase& c : cases) {
    SCOPED_TRACE(c.options);
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "fdo", 0, file);
    SetEnvironmentVariableA(kProbeVariable, file);
    Program child = StartProgram("options_test", c.options);
    SetEnvironmentVariableA(kProbeVariable, nullptr);
    EXPECT_EQ(c.boxes, CloseBoxesUntil(child.Id(), [&] { return !child.IsRunning(); }));
    EXPECT_TRUE(child.WaitForExit(10000));
    Settings got;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);)
      got[line.substr(0, line.find('='))] = std::stoi(line.substr(line.find('=') + 1));
    in.close();
    DeleteFileA(file);
    // Without options every setting is listed, and nothing else.
    if (!*c.options) {
      EXPECT_EQ(c.values, got);
    }
    for (const auto& value : c.values)
      EXPECT_EQ(value.second, got.count(value.first) ? got[value.first] : -1) << value.first;
  }
}

}  // namespace
