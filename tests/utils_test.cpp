#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "process.h"
#include "toplevel.h"
#include "winobj/events.h"
#include "messagebox.h"
#include "winobj/utils.h"

namespace {

using Lines = std::vector<std::string>;

// Started again as a child with kProbeVariable naming a file, this program writes
// there what it makes of its real command line: the count, then parameters 0 to
// count + 1, one a line.
const char kProbeVariable[] = "FLIPDECK_UTILS_PROBE";

struct CommandLineProbe {
  CommandLineProbe() {
    char file[MAX_PATH];
    if (GetEnvironmentVariableA(kProbeVariable, file, sizeof file) == 0) return;
    int count = ParameterCount();
    std::string report = NumberToText(count) + "\n";
    for (int i = 0; i <= count + 1; ++i) report += GetParameter(i) + "\n";
    WriteReport(file, report);
    ExitProcess(0);
  }
} probe;

std::string OwnPath() {
  char path[MAX_PATH];
  return std::string(path, GetModuleFileNameA(nullptr, path, sizeof path));
}

// Runs this program as a probe with the arguments; returns its report.
Lines RunProbe(const std::string& arguments) {
  char dir[MAX_PATH], file[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  GetTempFileNameA(dir, "fdu", 0, file);
  SetEnvironmentVariableA(kProbeVariable, file);
  Program child = StartProgram("utils_test", arguments);
  SetEnvironmentVariableA(kProbeVariable, nullptr);
  EXPECT_TRUE(child.WaitForExit(20000));
  Lines lines;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  in.close();
  DeleteFileA(file);
  return lines;
}

// From a second thread, since the box's modal loop holds this one: waits for a
// message box of this process, describes it and presses its OK button.
std::thread CloseNextBox(SeenBox& box) {
  return std::thread([&box] {
    HWND found = WaitForVisibleWindow(GetCurrentProcessId(), "#32770", 10000);
    if (!found) return;
    box = CloseBox(found);
  });
}

TEST(SplitCommandLine, BlanksTabsAndControlBytesSeparate) {
  EXPECT_EQ(SplitCommandLine("prog   -a=1 \t\t -b=2\r\n\x01-c=3  "),
            Lines({"prog", "-a=1", "-b=2", "-c=3"}));
  EXPECT_EQ(SplitCommandLine("prog caf\xE9=\xFF"), Lines({"prog", "caf\xE9=\xFF"}));
  EXPECT_EQ(SplitCommandLine(""), Lines());
  EXPECT_EQ(SplitCommandLine(" \t "), Lines());
}

TEST(SplitCommandLine, QuotesKeepBlanksAndOnlyTheEnclosingPairGoes) {
  EXPECT_EQ(SplitCommandLine("\"C:\\My Files\\prog.exe\" \"C:\\a b\\c.txt\""),
            Lines({"C:\\My Files\\prog.exe", "C:\\a b\\c.txt"}));
  EXPECT_EQ(SplitCommandLine("prog -title=\"a b\" a\"b c\"d"),
            Lines({"prog", "-title=\"a b\"", "a\"b c\"d"}));
  EXPECT_EQ(SplitCommandLine("prog \"\"x\"\""), Lines({"prog", "x\"\""}));
  EXPECT_EQ(SplitCommandLine("prog \"a b"), Lines({"prog", "\"a b"}));
}

TEST(SplitCommandLine, EmptyQuotedPairsAreBlanksAndALoneQuoteStays) {
  EXPECT_EQ(SplitCommandLine("prog \"\" -a=1 \"\"\"\" -b=2 \"\""), Lines({"prog", "-a=1", "-b=2"}));
  EXPECT_EQ(SplitCommandLine("prog -a=1 \""), Lines({"prog", "-a=1", "\""}));
  EXPECT_EQ(SplitCommandLine("prog \"\"\""), Lines({"prog", "\""}));
}

TEST(GetParameter, SplitsTheRealCommandLineOfAProcess) {
  Lines report = RunProbe(" -a=1 \t -b=2 \"C:\\My Dir\\f.txt\" \"\" -title=\"a b\" \"");
  Lines expected = {"5", OwnPath(), "-a=1", "-b=2", "C:\\My Dir\\f.txt", "-title=\"a b\"",
                    "\"", ""};
  EXPECT_EQ(report, expected);
}

TEST(GetParameter, WithoutParametersOnlyTheProgramIsThere) {
  Lines report = RunProbe("");
  EXPECT_EQ(report, Lines({"0", OwnPath(), ""}));
}

TEST(NumberToText, WritesDecimalDigitsWithASign) {
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(1), "1");
  EXPECT_EQ(NumberToText(12), "12");
  EXPECT_EQ(NumberToText(-45), "-45");
  EXPECT_EQ(NumberToText(1000000), "1000000");
  EXPECT_EQ(NumberToText(2147483647), "2147483647");
  EXPECT_EQ(NumberToText(-2147483647 - 1), "-2147483648");
}

TEST(ShowError, WithoutMainWindowTheBoxIsUnownedWithTheDefaultCaption) {
  ASSERT_EQ(MainWindow, nullptr);
  SeenBox box;
  std::thread closer = CloseNextBox(box);
  ShowError("-centerX has to be a number");
  closer.join();
  EXPECT_EQ(box.Text, "-centerX has to be a number");
  EXPECT_EQ(box.Caption, "Error");
  EXPECT_EQ(box.Owner, nullptr);
  EXPECT_FALSE(box.HasCancel);
}

TEST(ShowMessageBox, IsOwnedByTheMainWindowAndTakesItsCaption) {
  TWinControl* form = NewForm(nullptr, "Owner caption");
  ASSERT_NE(form->GetHandle(), nullptr);
  MainWindow = form;
  SeenBox box;
  std::thread closer = CloseNextBox(box);
  int result = ShowMessageBox("owned", MB_OKCANCEL);
  closer.join();
  MainWindow = nullptr;
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(box.Text, "owned");
  EXPECT_EQ(box.Caption, "Owner caption");
  EXPECT_EQ(box.Owner, form->Handle);
  EXPECT_TRUE(box.HasCancel);
  Free(form);
}

}  // namespace
