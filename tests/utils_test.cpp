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

TEST(SplitCommandLine, ParametersAreSplitInsideQuotesOrKeepTheQuotesAroundThem) {
  const struct { const char* text; std::vector<std::string> parameters; } cases[] = {
      {"prog   -a=1 \t\t -b=2\r\n\x01-c=3  ", {"prog", "-a=1", "-b=2", "-c=3"}},
      {"prog caf\xE9=\xFF", {"prog", "caf\xE9=\xFF"}},  // bytes of 128 and above are no blanks
      {" \t ", {}},
      {"\"C:\\My Files\\p.exe\" \"C:\\a b\\c.txt\"", {"C:\\My Files\\p.exe", "C:\\a b\\c.txt"}},
      {"prog -title=\"a b\" a\"b c\"d", {"prog", "-title=\"a b\"", "a\"b c\"d"}},
      {"prog \"\"x\"\"", {"prog", "x\"\""}},
      {"prog \"a b", {"prog", "\"a b"}},
      {"prog \"\" -a=1 \"\"\"\" -b=2 \"\"", {"prog", "-a=1", "-b=2"}},  // "" is a blank
      {"prog -a=1 \"", {"prog", "-a=1", "\""}},
      {"prog \"\"\"", {"prog", "\""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.parameters) << c.text;
}

TEST(NumberToText, DigitsOrSignAreWrong) {
  EXPECT_EQ(NumberToText(0) + " " + NumberToText(-45) + " " + NumberToText(INT_MAX) + " " +
                NumberToText(INT_MIN), "0 -45 2147483647 -2147483648");
}

TEST(CharacterStart, TextIsCutInsideACharacter) {
  const struct { const wchar_t* text; size_t index, start; } cases[] = {
      {L"abc", 1, 1}, {L"abc", 7, 7},  // beyond the end: left alone
      {L"a\U0001F600b", 2, 1}, {L"\U0001F600\U0001F600", 3, 2},  // an emoji's second half
      {L"a\u0301\u0308b", 2, 0}, {L"\u2764\uFE0F!", 1, 0},  // marks, the emoji form
      {L"\u0301b", 0, 0}, {L"a\u200Bb", 1, 1},  // a leading mark, a zero-width space
  };
  for (const auto& c : cases) EXPECT_EQ(CharacterStart(c.text, c.index), c.start) << &c - cases;
}

// Runs show() while a second thread (the box's modal loop holds this one) describes the box
// of this process and presses OK.
template <typename Show>
SeenBox Shown(Show show) {
  SeenBox box;
  std::thread closer([&box] {
    if (HWND found = WaitForVisibleWindow(GetCurrentProcessId(), "#32770", 10000))
      box = CloseBox(found);
  });
  show();
  closer.join();
  return box;
}

// Without a main window it is the unowned "Error" that the options tests see.
TEST(ShowError, TheBoxIsNotOwnedByTheMainWindowOrLacksItsCaption) {
  TWinControl* form = NewForm(nullptr, "Owner caption");
  ASSERT_NE(form->GetHandle(), nullptr);
  MainWindow = form;
  const SeenBox box = Shown([] { ShowError("-centerX has to be a number"); });
  EXPECT_TRUE(box.Text == "-centerX has to be a number" && box.Caption == "Owner caption");
  EXPECT_TRUE(box.Owner == form->Handle && !box.HasCancel);
  int answer = 0;
  EXPECT_TRUE(Shown([&answer] { answer = ShowMessageBox("sure?", MB_OKCANCEL); }).HasCancel);
  EXPECT_EQ(answer, IDOK);
  MainWindow = nullptr;
  Free(form);
}

}  // namespace
