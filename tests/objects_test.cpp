// Objects, lists and controls: lifetimes, destruction order, and the windows that the
// controls make, read back from the system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "winobj/canvas.h"
#include "winobj/events.h"
#include "winobj/objects.h"
#include "winobj/paint.h"

// Counts how often one chosen block is given back. The block is then kept, so a second
// delete of it is counted instead of corrupting the heap, and its address is not reused.
static void* WatchedBlock = nullptr;
static int WatchedDeletes = 0;

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) std::abort();
  return p;
}
void operator delete(void* p) noexcept {
  if (p && p == WatchedBlock) {
    WatchedDeletes++;
    return;
  }
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

void Watch(void* block) {
  WatchedBlock = block;
  WatchedDeletes = 0;
}

std::vector<std::string> Log;

void LogDestroy(void* name, TWinObject*) { Log.push_back(static_cast<const char*>(name)); }
void LogProc(void* name) { Log.push_back(static_cast<const char*>(name)); }

RECT WindowRect(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return r;
}

RECT ClientOf(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return r;
}

::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
  if (EqualRect(&a, &b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom << ") vs ("
         << b.left << "," << b.top << "," << b.right << "," << b.bottom << ")";
}

class ObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log.clear();
    MainWindow = nullptr;
  }
  void TearDown() override {
    WatchedBlock = nullptr;
    MainWindow = nullptr;
  }
};

// ---- Lifetimes ----

TEST_F(ObjectsTest, FreeWhileReferencedWaitsForTheLastRelease) {
  TWinControl* form = NewForm(nullptr, "Held");
  HWND window = form->GetHandle();
  form->OnDestroy = {LogDestroy, const_cast<char*>("form")};
  Watch(form);

  AddRef(form);
  AddRef(form);
  Free(form);
  EXPECT_EQ(form->RefCount, 3);
  Free(form);  // a second request changes nothing
  EXPECT_EQ(form->RefCount, 3);
  Release(form);
  EXPECT_TRUE(Log.empty());
  EXPECT_TRUE(IsWindow(window));

  Release(form);
  EXPECT_EQ(Log, std::vector<std::string>{"form"});
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(WatchedDeletes, 1);
}

TEST_F(ObjectsTest, AutoFreeRunsNewestFirstBeforeChildrenAndWindow) {
  TWinControl* form = NewForm(nullptr, "Owner");
  TWinControl* child = NewPaintBox(form);
  HWND window = form->GetHandle();
  HWND childWindow = child->Handle;
  ASSERT_TRUE(childWindow);

  TWinObject* first = NewObject<TWinObject>();
  TWinObject* second = NewObject<TWinObject>();
  first->OnDestroy = {LogDestroy, const_cast<char*>("first")};
  second->OnDestroy = {LogDestroy, const_cast<char*>("second")};
  form->OnDestroy = {LogDestroy, const_cast<char*>("form")};
  child->OnDestroy = {LogDestroy, const_cast<char*>("child")};
  AddToAutoFree(form, first);
  AddProcToAutoFree(form, LogProc, const_cast<char*>("proc"));
  AddToAutoFree(form, second);

  // Both windows must still exist while the auto-freed objects go.
  struct Probe {
    HWND Window, Child;
  } probe = {window, childWindow};
  AddProcToAutoFree(
      form,
      [](void* data) {
        Probe* p = static_cast<Probe*>(data);
        Log.push_back(IsWindow(p->Window) && IsWindow(p->Child) ? "windows" : "no windows");
      },
      &probe);

  Free(form);
  EXPECT_EQ(Log,
            (std::vector<std::string>{"form", "windows", "second", "proc", "first", "child"}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(childWindow));
}

// An OnDestroy handler that holds a reference for a moment, as code that must survive
// a call does; its Release enters Destroy a second time.
void HoldBriefly(void* name, TWinObject* sender) {
  Log.push_back(static_cast<const char*>(name));
  AddRef(sender);
  Release(sender);
}

void HoldBrieflyProc(void* object) {
  Log.push_back("proc");
  AddRef(static_cast<TWinObject*>(object));
  Release(static_cast<TWinObject*>(object));
}

TEST_F(ObjectsTest, ReenteredControlDestroyFreesEverythingOnce) {
  TWinControl* form = NewForm(nullptr, "Reentered");
  TWinControl* child = NewPaintBox(form);
  HWND window = form->GetHandle();
  TWinObject* owned = NewObject<TWinObject>();
  owned->OnDestroy = {LogDestroy, const_cast<char*>("owned")};
  child->OnDestroy = {LogDestroy, const_cast<char*>("child")};
  AddToAutoFree(form, owned);
  form->OnDestroy = {HoldBriefly, const_cast<char*>("form")};
  Watch(form);

  Free(form);
  EXPECT_EQ(Log, (std::vector<std::string>{"form", "owned", "child"}));
  EXPECT_EQ(WatchedDeletes, 1);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(ObjectsTest, ReenteredDestroyFromAnAutoFreeProcFreesEverythingOnce) {
  TWinControl* form = NewForm(nullptr, "Reentered");
  TWinControl* child = NewPaintBox(form);
  HWND window = form->GetHandle();
  child->OnDestroy = {LogDestroy, const_cast<char*>("child")};
  AddProcToAutoFree(form, LogProc, const_cast<char*>("older"));
  AddProcToAutoFree(form, HoldBrieflyProc, form);
  Watch(form);

  Free(form);
  std::sort(Log.begin(), Log.end());
  EXPECT_EQ(Log, (std::vector<std::string>{"child", "older", "proc"}));
  EXPECT_EQ(WatchedDeletes, 1);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(ObjectsTest, ReenteredDestroyOfAPlainObjectReleasesItOnce) {
  TWinObject* object = NewObject<TWinObject>();
  object->OnDestroy = {HoldBriefly, const_cast<char*>("object")};
  AddProcToAutoFree(object, LogProc, const_cast<char*>("proc"));
  Watch(object);

  Free(object);
  EXPECT_EQ(Log, (std::vector<std::string>{"object", "proc"}));
  EXPECT_EQ(WatchedDeletes, 1);
}

// ---- TWinList ----

std::vector<intptr_t> Items(const TWinList* list) {
  std::vector<intptr_t> items;
  for (int i = 0; i < list->Count; i++) items.push_back(reinterpret_cast<intptr_t>(list->Get(i)));
  return items;
}

void* Item(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST(WinList, InsertDeleteIndexRemove) {
  TWinList* list = NewObject<TWinList>();
  for (intptr_t v = 1; v <= 5; v++) list->Add(Item(v));
  list->Insert(0, Item(10));
  list->Insert(3, Item(11));
  list->Insert(list->Count, Item(12));
  EXPECT_EQ(Items(list), (std::vector<intptr_t>{10, 1, 2, 11, 3, 4, 5, 12}));

  list->Delete(1, 2);
  EXPECT_EQ(Items(list), (std::vector<intptr_t>{10, 11, 3, 4, 5, 12}));
  list->Delete(4, 10);  // a run past the end stops at the end
  EXPECT_EQ(Items(list), (std::vector<intptr_t>{10, 11, 3, 4}));

  list->Add(Item(3));
  EXPECT_EQ(list->IndexOf(Item(3)), 2);  // first match from the front
  EXPECT_EQ(list->IndexOf(Item(99)), -1);
  list->Remove(Item(3));
  list->Remove(Item(99));
  EXPECT_EQ(Items(list), (std::vector<intptr_t>{10, 11, 4, 3}));

  EXPECT_EQ(list->Get(-1), nullptr);
  EXPECT_EQ(list->Get(list->Count), nullptr);
  list->Clear();
  EXPECT_EQ(list->Count, 0);
  EXPECT_EQ(list->Capacity, 0);
  Free(list);
}

TEST(WinList, GrowsByAddBy) {
  TWinList* list = NewObject<TWinList>();
  EXPECT_EQ(list->AddBy, 4);
  list->Add(Item(1));
  EXPECT_EQ(list->Capacity, 4);
  for (intptr_t v = 2; v <= 5; v++) list->Add(Item(v));
  EXPECT_EQ(list->Capacity, 8);

  list->AddBy = 10;
  for (intptr_t v = 6; v <= 9; v++) list->Add(Item(v));
  EXPECT_EQ(list->Capacity, 18);

  list->Clear();
  list->AddBy = 0;  // not a usable step: the next growth uses 4 again
  list->Add(Item(1));
  EXPECT_EQ(list->AddBy, 4);
  EXPECT_EQ(list->Capacity, 4);
  Free(list);
}

TEST(WinList, FreeingAListLeavesItsItems) {
  Log.clear();
  TWinObject* item = NewObject<TWinObject>();
  item->OnDestroy = {LogDestroy, const_cast<char*>("item")};
  TWinList* list = NewObject<TWinList>();
  list->Add(item);
  Free(list);
  EXPECT_TRUE(Log.empty());
  Free(item);
  EXPECT_EQ(Log, std::vector<std::string>{"item"});
}

// ---- Windows, styles and bounds ----

TEST_F(ObjectsTest, SwitcherFormSetUpGivesAHiddenPopupAtItsPosition) {
  TWinControl* form = NewForm(nullptr, "Form1");
  form->SetPosition(144, 171);
  EXPECT_EQ(form->PositionSet, 3);
  EXPECT_EQ(form->Handle, nullptr);
  EXPECT_TRUE(SameRect(form->Bounds, {144, 171, 144, 171}));

  form->SetClientSize(1080, 723);
  HWND w = form->Handle;
  ASSERT_TRUE(w);
  char className[32] = {};
  GetClassNameA(w, className, sizeof className);
  EXPECT_STREQ(className, "obj_Form");
  EXPECT_EQ(GetPropA(w, "SELF_"), form);
  EXPECT_FALSE(IsWindowVisible(w));
  DWORD style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_EQ(style & 0xFFFF0000, 0x06CF0000u) << std::hex << style;
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  RECT r = WindowRect(w);
  EXPECT_EQ(r.left, 144);
  EXPECT_EQ(r.top, 171);

  form->SetHasBorder(false);
  style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP) << std::hex << style;
  EXPECT_EQ(style & 0x00CF0000, 0u) << std::hex << style;
  EXPECT_FALSE(style & WS_VISIBLE);
  DWORD exStyle = GetWindowLongA(w, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT), 0u)
      << std::hex << exStyle;
  EXPECT_FALSE(form->HasBorder());

  // Without a frame the whole window is client area, of any size.
  form->SetClientSize(1080, 723);
  EXPECT_TRUE(SameRect(ClientOf(w), {0, 0, 1080, 723}));
  r = WindowRect(w);
  EXPECT_TRUE(SameRect(r, {144, 171, 144 + 1080, 171 + 723}));

  EXPECT_FALSE(form->StayOnTop());
  form->SetStayOnTop(true);
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(form->StayOnTop());
  EXPECT_FALSE(IsWindowVisible(w));
  Free(form);
}

TEST_F(ObjectsTest, SetClientSizeGivesExactlyThatClientArea) {
  TWinControl* form = NewForm(nullptr, "Framed");
  form->SetPosition(20, 30)->SetClientSize(300, 200);
  ASSERT_TRUE(form->Handle);
  EXPECT_TRUE(SameRect(ClientOf(form->Handle), {0, 0, 300, 200}));

  form->SetClientSize(0, 150);  // 0 keeps the width
  EXPECT_TRUE(SameRect(ClientOf(form->Handle), {0, 0, 300, 150}));
  form->SetClientSize(240, -1);
  EXPECT_TRUE(SameRect(ClientOf(form->Handle), {0, 0, 240, 150}));
  EXPECT_EQ(form->ClientWidth(), 240);
  EXPECT_EQ(form->ClientHeight(), 150);
  RECT r = WindowRect(form->Handle);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 30);
  Free(form);
}

TEST_F(ObjectsTest, SetClientSizeOnAFreshFormWithoutPosition) {
  TWinControl* form = NewForm(nullptr, "Fresh");
  form->SetClientSize(320, 0);
  ASSERT_TRUE(form->Handle);
  EXPECT_EQ(ClientOf(form->Handle).right, 320);
  Free(form);

  form = NewForm(nullptr, "Fresh");
  form->SetClientSize(0, 180);
  ASSERT_TRUE(form->Handle);
  EXPECT_EQ(ClientOf(form->Handle).bottom, 180);
  Free(form);
}

TEST_F(ObjectsTest, UnchangedBoundsLeavePositionSetAlone) {
  TWinControl* form = NewForm(nullptr, "Bounds");
  form->SetBounds(form->GetBounds());
  EXPECT_EQ(form->PositionSet, 0);
  form->SetWidth(200);  // left and top stay: still placed by the system
  EXPECT_EQ(form->PositionSet, 0);

  form->SetTop(50);
  EXPECT_EQ(form->PositionSet, 2);
  HWND w = form->GetHandle();
  RECT before = WindowRect(w);
  form->SetBounds(before);
  EXPECT_EQ(form->PositionSet, 2);
  EXPECT_TRUE(SameRect(WindowRect(w), before));
  form->SetLeft(before.left + 7);
  EXPECT_EQ(form->PositionSet, 3);
  EXPECT_EQ(WindowRect(w).left, before.left + 7);
  Free(form);
}

TEST_F(ObjectsTest, SetAlphaMakesTheWindowLayeredOnlyBelow255) {
  TWinControl* form = NewForm(nullptr, "Alpha");
  form->SetAlpha(255);
  EXPECT_EQ(form->Handle, nullptr);

  form->SetAlpha(200);
  HWND w = form->Handle;
  ASSERT_TRUE(w);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

  // The same value again must not touch the window.
  SetLayeredWindowAttributes(w, 0, 90, LWA_ALPHA);
  form->SetAlpha(200);
  ASSERT_TRUE(GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 90);

  form->SetAlpha(0x1FF);  // only the low byte counts: opaque
  EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(form->Alpha, 0x1FFu);
  Free(form);
}

// ---- Alignment ----

TEST_F(ObjectsTest, ClientAlignedPaintBoxFillsTheFormAfterEveryResize) {
  TWinControl* form = NewForm(nullptr, "Aligned");
  form->Margin = 0;
  form->SetHasBorder(false);
  TWinControl* box = NewPaintBox(form);
  box->SetAlign(5);
  ASSERT_TRUE(form->Handle);
  ASSERT_TRUE(box->Handle);
  EXPECT_TRUE(SameRect(box->GetBounds(), ClientOf(form->Handle)));

  const SIZE sizes[] = {{400, 300}, {120, 640}, {701, 33}};
  for (SIZE s : sizes) {
    form->SetClientSize(s.cx, s.cy);
    EXPECT_TRUE(SameRect(box->GetBounds(), ClientOf(form->Handle)));
    EXPECT_TRUE(SameRect(ClientOf(box->Handle), {0, 0, s.cx, s.cy}));
  }
  // A resize that does not go through the control, as the system makes.
  SetWindowPos(form->Handle, 0, 0, 0, 250, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(SameRect(box->GetBounds(), {0, 0, 250, 90}));

  // The switcher resizes its form while hidden and then shows it.
  form->Show();
  form->Hide();
  form->SetClientSize(333, 222);
  form->Show();
  EXPECT_TRUE(SameRect(box->GetBounds(), {0, 0, 333, 222}));
  Free(form);
}

TEST_F(ObjectsTest, LeftAlignedChildrenSitAMarginApart) {
  const int m = 5;
  TWinControl* form = NewForm(nullptr, "Left");
  form->SetHasBorder(false);
  form->Margin = m;
  form->SetClientSize(400, 200);
  TWinControl* a = NewPaintBox(form);
  TWinControl* b = NewPaintBox(form);
  a->SetWidth(40);
  b->SetWidth(30);
  a->SetAlign(1);
  b->SetAlign(1);
  form->CreateWindow();
  ASSERT_TRUE(a->Handle && b->Handle);

  EXPECT_TRUE(SameRect(a->GetBounds(), {m, m, m + 40, 200 - m}));
  EXPECT_TRUE(SameRect(b->GetBounds(), {m + 40 + m, m, m + 40 + m + 30, 200 - m}));
  form->SetClientSize(0, 120);
  EXPECT_TRUE(SameRect(b->GetBounds(), {m + 40 + m, m, m + 40 + m + 30, 120 - m}));
  Free(form);
}

TEST_F(ObjectsTest, ChildBoundsAreRelativeToTheParentClientArea) {
  TWinControl* form = NewForm(nullptr, "Parent");
  form->SetPosition(100, 120)->SetClientSize(300, 200);
  TWinControl* label = NewLabel(form, "Text");
  EXPECT_TRUE(SameRect(label->Bounds, {2, 2, 66, 24}));
  form->CreateWindow();
  ASSERT_TRUE(label->Handle);
  EXPECT_TRUE(SameRect(label->GetBounds(), {2, 2, 66, 24}));
  EXPECT_TRUE(SameRect(form->GetBounds(), WindowRect(form->Handle)));

  label->SetBounds({10, 20, 50, 60});
  EXPECT_TRUE(SameRect(label->GetBounds(), {10, 20, 50, 60}));
  RECT onScreen = WindowRect(label->Handle);
  MapWindowPoints(HWND_DESKTOP, form->Handle, reinterpret_cast<POINT*>(&onScreen), 2);
  EXPECT_TRUE(SameRect(onScreen, {10, 20, 50, 60}));
  Free(form);
}

// ---- Handles given back ----

BOOL CALLBACK CountWindow(HWND w, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(w, CountWindow, count);
  return TRUE;
}

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// GetGuiResources is not implemented everywhere (Wine answers 0): then the handles the
// layer made are checked one by one instead.
bool GuiResources(DWORD& gdi, DWORD& user) {
  SetLastError(0);
  gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  return gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

// Makes a form with a painted-on paint box, frees it and checks that every window and
// handle it made is gone.
void MakeAndFreeForm() {
  TWinControl* form = NewForm(nullptr, "Many");
  TWinControl* box = NewPaintBox(form);
  box->SetAlign(5);
  HWND w = form->GetHandle();
  HWND boxWindow = box->GetHandle();
  ASSERT_TRUE(w && boxWindow);
  HICON icon = form->Icon;
  ASSERT_TRUE(icon);
  HBRUSH background = BackgroundBrush(form);
  box->Canvas()->FillRectangle({0, 0, 10, 10});
  box->Canvas()->TextWidth("handles");
  HGDIOBJ brush = box->Canvas()->Brush()->Handle();
  HGDIOBJ font = box->Canvas()->Font()->Handle();
  ASSERT_TRUE(background && brush && font);

  Free(form);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(boxWindow));
  ICONINFO info;
  EXPECT_FALSE(GetIconInfo(icon, &info));
  EXPECT_EQ(GetObjectType(background), 0u);
  EXPECT_EQ(GetObjectType(brush), 0u);
  EXPECT_EQ(GetObjectType(font), 0u);
}

TEST_F(ObjectsTest, FreedFormsLeaveNoWindowsOrHandles) {
  // Icons are copied from the main window's, so every form owns one.
  TWinControl* main = NewForm(nullptr, "Main");
  main->Icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
  main->GetHandle();
  MainWindow = main;
  // Class registration and system caches are made once per process.
  MakeAndFreeForm();

  int windowsBefore = ThreadWindows();
  DWORD gdiBefore = 0, userBefore = 0;
  bool counted = GuiResources(gdiBefore, userBefore);
  for (int i = 0; i < 30 && !HasFatalFailure(); i++) MakeAndFreeForm();
  EXPECT_EQ(ThreadWindows(), windowsBefore);
  DWORD gdiAfter = 0, userAfter = 0;
  if (counted && GuiResources(gdiAfter, userAfter)) {
    EXPECT_EQ(gdiAfter, gdiBefore);
    EXPECT_EQ(userAfter, userBefore);
  }

  HWND mainWindow = main->Handle;
  MainWindow = nullptr;
  Free(main);
  EXPECT_FALSE(IsWindow(mainWindow));
}

}  // namespace
