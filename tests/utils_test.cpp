// Command-line splitting, number text, character bounds in UTF-16 and message boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "messagebox.h"
#include "toplevel.h"
#include "winobj/events.h"
#include "winobj/utils.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SplitCommandLine, SeparatesParametersAsWrittenAndDropsOnlyEnclosingQuotes) {
  const struct { const char* text; Lines parameters; } cases[] = {
      // Blanks, tabs and control bytes separate; bytes of 128 and above do not.
      {"prog   -a=1 \t\t -b=2\r\n\x01-c=3  ", {"prog", "-a=1", "-b=2", "-c=3"}},
      {"prog caf\xE9=\xFF", {"prog", "caf\xE9=\xFF"}},
      {" \t ", {}},
      // Quotes keep blanks inside a parameter and stay, unless they enclose all of it.
      {"\"C:\\My Files\\prog.exe\" \"C:\\a b\\c.txt\"",
       {"C:\\My Files\\prog.exe", "C:\\a b\\c.txt"}},
      {"prog -title=\"a b\" a\"b c\"d", {"prog", "-title=\"a b\"", "a\"b c\"d"}},
      {"prog \"\"x\"\"", {"prog", "x\"\""}},
      {"prog \"a b", {"prog", "\"a b"}},
      // An empty quoted pair counts as a blank; a lone quote stays.
      {"prog \"\" -a=1 \"\"\"\" -b=2 \"\"", {"prog", "-a=1", "-b=2"}},
      {"prog -a=1 \"", {"prog", "-a=1", "\""}},
      {"prog \"\"\"", {"prog", "\""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.parameters) << c.text;
}

TEST(NumberToText, WritesDecimalDigitsWithASign) {
  const std::pair<int, const char*> cases[] = {
      {0, "0"}, {12, "12"}, {-45, "-45"}, {2147483647, "2147483647"}, {INT_MIN, "-2147483648"}};
  for (auto c : cases) EXPECT_EQ(NumberToText(c.first), c.second);
}

TEST(CharacterStart, StepsBackOverSecondHalvesOfSurrogatePairsAndCombiningMarks) {
  const struct { const wchar_t* text; size_t index, start; } cases[] = {
      {L"abc", 1, 1}, {L"abc", 7, 7},  // beyond the end: left alone
      {L"a\U0001F600b", 2, 1}, {L"\U0001F600\U0001F600", 3, 2},  // an emoji's second half
      {L"a\u0301\u0308b", 2, 0},  // two marks on one letter
      {L"\u2764\uFE0F!", 1, 0},    // the emoji form of the heart
      {L"\u0301b", 0, 0},           // a mark that starts the text stays
      {L"a\u200Bb", 1, 1},          // a zero-width space is a character
  };
  for (const auto& c : cases) EXPECT_EQ(CharacterStart(c.text, c.index), c.start) << &c - cases;
}

// Runs show() while a second thread, since the box's modal loop holds this one, waits for
// a message box of this process, describes it and presses its OK button.
template <typename Show>
SeenBox Shown(Show show) {
  SeenBox box;
  std::thread closer([&box] {
    HWND found = WaitForVisibleWindow(GetCurrentProcessId(), "#32770", 10000);
    if (found) box = CloseBox(found);
  });
  show();
  closer.join();
  return box;
}

TEST(ShowMessageBox, IsOwnedByTheMainWindowAndTakesItsCaptionOnceThereIsOne) {
  ASSERT_EQ(MainWindow, nullptr);
  SeenBox box = Shown([] { ShowError("-centerX has to be a number"); });
  EXPECT_EQ(box.Text, "-centerX has to be a number");
  EXPECT_EQ(box.Caption, "Error");
  EXPECT_EQ(box.Owner, nullptr);
  EXPECT_FALSE(box.HasCancel);

  TWinControl* form = NewForm(nullptr, "Owner caption");
  ASSERT_NE(form->GetHandle(), nullptr);
  MainWindow = form;
  int result = 0;
  box = Shown([&result] { result = ShowMessageBox("owned", MB_OKCANCEL); });
  MainWindow = nullptr;
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(box.Text, "owned");
  EXPECT_EQ(box.Caption, "Owner caption");
  EXPECT_EQ(box.Owner, form->Handle);
  EXPECT_TRUE(box.HasCancel);
  Free(form);
}

}  // namespace
