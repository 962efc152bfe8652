// Which windows the switcher lists, in which order, with which marks, and what a Refresh
// leaves behind: real windows of another process, made by window_maker.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "handles.h"
#include "process.h"
#include "switcher_fixture.h"
#include "wait.h"

// Live heap blocks of the whole test program, to see whether Refresh gives back what the
// previous list held.
static long LiveBlocks = 0;

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) std::abort();
  ++LiveBlocks;
  return p;
}

void operator delete(void* p) noexcept {
  if (!p) return;
  --LiveBlocks;
  std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

// Window requests for window_maker: "FLAGS|EXSTYLE|OWNER|TITLE" (see the app).
class WindowMaker {
 public:
  bool Start(const std::vector<std::string>& requests) {
    static int runs = 0;
    char name[64];
    std::snprintf(name, sizeof name, "window_maker_%lu_%d.txt", GetCurrentProcessId(), ++runs);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string report = std::string(folder) + name;
    DeleteFileA(report.c_str());

    std::string args = QuoteArgument(report);
    for (const std::string& r : requests) args += " " + QuoteArgument(r);
    program_ = StartProgram("window_maker", args);
    if (!program_.IsStarted()) return false;
    // The report may show up still held by the rename that made it: open it until it lets us.
    WaitUntil([&] { return Read(report) || !program_.IsRunning(); }, 10000);
    DeleteFileA(report.c_str());
    if (windows_.size() == requests.size()) return true;
    std::printf("window_maker reported %zu windows, exit code %lu\n", windows_.size(),
                program_.ExitCode());
    return false;
  }

  HWND operator[](size_t i) const { return windows_[i]; }
  const std::vector<HWND>& Windows() const { return windows_; }

 private:
  bool Read(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    unsigned long value = 0;
    while (std::fscanf(f, "%lu", &value) == 1)
      windows_.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)));
    std::fclose(f);
    return true;
  }

  Program program_;
  std::vector<HWND> windows_;
};

bool Among(const std::vector<HWND>& windows, HWND w) {
  for (HWND x : windows)
    if (x == w) return true;
  return false;
}

bool MakeForeground(HWND w) {
  SetForegroundWindow(w);
  return WaitUntil([&] { return GetForegroundWindow() == w; }, 3000);
}

class EnumerationTest : public SwitcherTest {
 protected:
  // The listed handles that belong to `windows`, in list order.
  std::vector<HWND> Listed(const std::vector<HWND>& windows) {
    std::vector<HWND> listed;
    for (TFlipDeckEntry* e : s->Entries)
      if (Among(windows, e->Handle)) listed.push_back(e->Handle);
    return listed;
  }

  TFlipDeckEntry* EntryOf(HWND w) {
    for (TFlipDeckEntry* e : s->Entries)
      if (e->Handle == w) return e;
    return nullptr;
  }

  int SelectedCount() {
    int count = 0;
    for (TFlipDeckEntry* e : s->Entries) count += e->Selected;
    return count;
  }

  bool Numbered() {
    for (size_t i = 0; i < s->Entries.size(); ++i)
      if (s->Entries[i]->Number != static_cast<int>(i)) return false;
    return true;
  }

  bool ShownInFront() {
    HWND form = s->Form->Handle;
    return (GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && IsWindowVisible(form) &&
           GetForegroundWindow() == form;
  }
};

TEST_F(EnumerationTest, ListsOnlyVisibleEnabledAppWindowsAndPopupsInPlaceOfOwners) {
  WindowMaker m;
  ASSERT_TRUE(m.Start({
      "|0|-1|Plain",       // 0 listed
      "h|0|-1|Hidden",     // 1
      "d|0|-1|Disabled",   // 2
      "|80|-1|Tool",       // 3
      "|0|-1|",            // 4 listed, no title
      "|0|-1|Main",        // 5 represented by its active popup
      "ta|1|5|Popup",      // 6 listed
      "t|0|5|Other owned",  // 7 listed: owned, but not the active popup
  }));

  s->Refresh();

  std::vector<HWND> listed = Listed(m.Windows());
  std::sort(listed.begin(), listed.end());
  std::vector<HWND> expected = {m[0], m[4], m[6], m[7]};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  ASSERT_NE(EntryOf(m[6]), nullptr);
  EXPECT_EQ(EntryOf(m[6])->Title, "Popup");
  ASSERT_NE(EntryOf(m[4]), nullptr);
  EXPECT_EQ(EntryOf(m[4])->Title, "");
}

TEST_F(EnumerationTest, ModalDialogStandsForItsDisabledOwnerOnlyWithDialogStyleBits) {
  struct Case {
    DWORD exStyle;
    bool listed;
  };
  const Case cases[] = {
      {0, false},
      {WS_EX_DLGMODALFRAME, true},
      {WS_EX_CONTROLPARENT, true},
      {WS_EX_STATICEDGE, true},
      {WS_EX_APPWINDOW, true},
      {WS_EX_LAYERED, true},
      {WS_EX_TOPMOST, false},
      {WS_EX_CLIENTEDGE, false},
  };
  std::vector<std::string> requests;
  for (const Case& c : cases) {
    char owner[32], dialog[64];
    std::snprintf(owner, sizeof owner, "d|0|-1|Owner %lx", c.exStyle);
    std::snprintf(dialog, sizeof dialog, "ta|%lx|%zu|Dialog %lx", c.exStyle, requests.size(),
                  c.exStyle);
    requests.push_back(owner);
    requests.push_back(dialog);
  }
  WindowMaker m;
  ASSERT_TRUE(m.Start(requests));

  s->Refresh();

  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE(testing::Message() << "extended style 0x" << std::hex << cases[i].exStyle);
    EXPECT_EQ(EntryOf(m[2 * i]), nullptr);
    EXPECT_EQ(EntryOf(m[2 * i + 1]) != nullptr, cases[i].listed);
  }
}

TEST_F(EnumerationTest, NeverListsItself) {
  // Even a visible switcher window without the tool-window style stays out of its list.
  HWND form = s->Form->Handle;
  SetWindowLongA(form, GWL_EXSTYLE, GetWindowLongA(form, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW);
  ShowWindow(form, SW_SHOWNA);
  ASSERT_TRUE(IsWindowVisible(form));

  s->Refresh();

  EXPECT_EQ(EntryOf(form), nullptr);
  EXPECT_TRUE(ShownInFront());
}

TEST_F(EnumerationTest, SelectsTheFormerForegroundWindow) {
  WindowMaker m;
  // Third lies above it, so that the fallback to the first entry would not select it too.
  ASSERT_TRUE(m.Start({"|0|-1|First", "a|0|-1|Second", "r|0|-1|Third"}));
  ASSERT_EQ(GetForegroundWindow(), m[1]);

  s->Refresh();

  std::vector<HWND> order = Listed(m.Windows());
  ASSERT_EQ(order.size(), 3u);
  ASSERT_NE(order[0], m[1]);
  ASSERT_NE(EntryOf(m[1]), nullptr);
  EXPECT_TRUE(EntryOf(m[1])->Selected);
  EXPECT_EQ(SelectedCount(), 1);
}

TEST_F(EnumerationTest, SelectsTheOwnerOfAnUnlistedForegroundWindow) {
  WindowMaker m;
  ASSERT_TRUE(m.Start({"r|0|-1|Other", "|0|-1|Owner", "ta|80|1|Palette"}));
  ASSERT_EQ(GetForegroundWindow(), m[2]);

  s->Refresh();

  EXPECT_EQ(Listed(m.Windows()), (std::vector<HWND>{m[0], m[1]}));
  ASSERT_NE(EntryOf(m[1]), nullptr);
  EXPECT_TRUE(EntryOf(m[1])->Selected);
  EXPECT_EQ(SelectedCount(), 1);
}

TEST_F(EnumerationTest, SelectsTheFirstEntryWhenTheForegroundWindowIsNotListed) {
  WindowMaker m;
  ASSERT_TRUE(m.Start({"|0|-1|Listed", "|0|-1|Also listed", "|80|-1|Floating tool"}));
  ASSERT_TRUE(MakeForeground(m[2]));

  s->Refresh();

  ASSERT_FALSE(s->Entries.empty());
  EXPECT_TRUE(s->Entries[0]->Selected);
  EXPECT_EQ(SelectedCount(), 1);
}

TEST_F(EnumerationTest, KeepsTheSystemZOrderUnlessSortingIsOn) {
  // Made in the order b, B, a: the last one made lies on top.
  WindowMaker m;
  ASSERT_TRUE(m.Start({"|0|-1|b", "|0|-1|B", "|0|-1|a"}));
  std::vector<HWND> zOrder;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
    if (Among(m.Windows(), w)) zOrder.push_back(w);
  ASSERT_EQ(zOrder.size(), 3u);

  s->Refresh();
  EXPECT_EQ(Listed(m.Windows()), zOrder);
  EXPECT_TRUE(Numbered());

  ASSERT_TRUE(MakeForeground(m[0]));
  s->SortAlphabetically = true;
  s->Refresh();
  EXPECT_EQ(Listed(m.Windows()), (std::vector<HWND>{m[1], m[2], m[0]}));
  EXPECT_TRUE(Numbered());
  ASSERT_NE(EntryOf(m[0]), nullptr);
  EXPECT_TRUE(EntryOf(m[0])->Selected);  // the selection moves with its entry
  EXPECT_EQ(SelectedCount(), 1);
}

TEST(CompareTitles, OrdersByUnsignedBytesWithPrefixesFirst) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"B", "a", -1},          {"a", "b", -1},   {"Z", "a", -1},  {"a", "a", 0},
      {"", "", 0},             {"", "a", -1},    {"ab", "a", 1},  {"abc", "abd", -1},
      {"\xE4pfel", "zebra", 1},  // bytes above 127 sort after ASCII
  };
  struct Entry : TFlipDeckEntry {
    explicit Entry(const char* title) { Title = title; }
    void Paint(TWinCanvas*, int, int, int, int) override {}
    void Activate() override {}
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.a << "\" vs \"" << c.b << '"');
    Entry a(c.a), b(c.b);
    int order = CompareTitles(&a, &b);
    EXPECT_EQ((order > 0) - (order < 0), c.sign);
  }
}

TEST_F(EnumerationTest, MarksWindowsThatAskedForAttentionOrWhoseOwnerDid) {
  WindowMaker m;
  ASSERT_TRUE(m.Start({"|0|-1|Owner", "ta|1|0|Dialog", "|0|-1|Direct", "|0|-1|Calm"}));
  s->FlashingWindows = {m[0], m[2]};

  s->Refresh();

  ASSERT_NE(EntryOf(m[1]), nullptr);
  ASSERT_NE(EntryOf(m[2]), nullptr);
  ASSERT_NE(EntryOf(m[3]), nullptr);
  EXPECT_TRUE(EntryOf(m[1])->Flashing);
  EXPECT_TRUE(EntryOf(m[2])->Flashing);
  EXPECT_FALSE(EntryOf(m[3])->Flashing);
}

TEST_F(EnumerationTest, CutsTitlesTo255Bytes) {
  std::string title;
  while (title.size() < 300) title += "0123456789";
  WindowMaker m;
  ASSERT_TRUE(m.Start({"|0|-1|" + title}));

  s->Refresh();

  ASSERT_NE(EntryOf(m[0]), nullptr);
  EXPECT_EQ(EntryOf(m[0])->Title, title.substr(0, 255));
}

TEST_F(EnumerationTest, EveryRefreshShowsTheSwitcherInFrontAndFreesTheOldList) {
  WindowMaker m;
  ASSERT_TRUE(m.Start({"|0|-1|One", "|0|-1|Two", "t|0|1|Owned by two", "|0|-1|Three"}));

  s->Refresh();
  ASSERT_TRUE(ShownInFront());
  // Sized for the real list: one column of 32-pixel rows, at least 100 high.
  int rows = 0;
  for (TFlipDeckEntry* e : s->Entries) rows += e->RowHeight;
  EXPECT_EQ(s->Form->Height(), std::max(100, rows));

  // Something else taking the style away must not let the switcher list itself.
  auto refreshAgain = [&] {
    HWND form = s->Form->Handle;
    SetWindowLongA(form, GWL_EXSTYLE, GetWindowLongA(form, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW);
    if (!MakeForeground(m[0])) return false;
    s->Refresh();
    return ShownInFront() && !EntryOf(form);
  };
  // The first round and the first paints make what later ones reuse (fonts, buffers).
  ASSERT_TRUE(refreshAgain());
  RedrawWindow(s->Form->Handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(100);

  const long blocks = LiveBlocks;
  const int gdi = CountGdiObjects();
  const int windows = CountWindows();
  const size_t entries = s->Entries.size();
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(refreshAgain()) << "refresh " << i;
  EXPECT_EQ(s->Entries.size(), entries);
  EXPECT_EQ(LiveBlocks, blocks);
  EXPECT_EQ(CountGdiObjects(), gdi);
  EXPECT_EQ(CountWindows(), windows);
}

}  // namespace
