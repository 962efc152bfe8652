// Objects, lists and controls: lifetimes, destruction order, and the windows that the
// controls make, read back from the system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "heapwatch.h"
#include "leaks.h"
#include "winobj/canvas.h"
#include "winobj/events.h"
#include "winobj/objects.h"
#include "winobj/paint.h"

namespace {

using Names = std::vector<std::string>;
Names Log;

void LogProc(void* name) { Log.push_back(static_cast<const char*>(name)); }
void LogDestroy(void* name, TWinObject*) { LogProc(name); }

template <typename T>
T* Named(T* object, const char* name) {
  object->OnDestroy = {LogDestroy, const_cast<char*>(name)};
  return object;
}

// Frees the object; returns how often its memory was given back.
int DeletesOnFree(TWinObject* object) {
  WatchedBlock = object;
  WatchedDeletes = 0;
  Free(object);
  WatchedBlock = nullptr;
  return WatchedDeletes;
}

::testing::AssertionResult Is(const RECT& expected, const RECT& actual) {
  if (EqualRect(&expected, &actual)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << actual.left << "," << actual.top << "," << actual.right << ","
         << actual.bottom << ") instead of (" << expected.left << "," << expected.top << ","
         << expected.right << "," << expected.bottom << ")";
}

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

bool IsIcon(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return true;
}

class ObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
  void TearDown() override { MainWindow = nullptr; }
};

// ---- Lifetimes ----

TEST_F(ObjectsTest, FreeWhileReferencedWaitsForTheLastRelease) {
  TWinControl* form = Named(NewForm(nullptr, "Held"), "form");
  HWND window = form->GetHandle();
  WatchedBlock = form;
  WatchedDeletes = 0;
  AddRef(form);
  AddRef(form);
  Free(form);
  Free(form);  // a second request changes nothing
  Release(form);
  EXPECT_TRUE(Log.empty());
  EXPECT_TRUE(IsWindow(window));

  Release(form);
  EXPECT_EQ(Log, Names{"form"});
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(WatchedDeletes, 1);
  WatchedBlock = nullptr;
}

TEST_F(ObjectsTest, AutoFreeRunsNewestFirstBeforeChildrenAndWindow) {
  TWinControl* form = Named(NewForm(nullptr, "Owner"), "form");
  TWinControl* child = Named(NewPaintBox(form), "child");
  HWND windows[] = {form->GetHandle(), child->Handle};
  ASSERT_TRUE(windows[1]);
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "first"));
  AddProcToAutoFree(form, LogProc, const_cast<char*>("proc"));
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "second"));
  // Both windows must still exist while the auto-freed objects go.
  AddProcToAutoFree(
      form,
      [](void* data) {
        HWND* w = static_cast<HWND*>(data);
        Log.push_back(IsWindow(w[0]) && IsWindow(w[1]) ? "windows" : "no windows");
      },
      windows);

  Free(form);
  EXPECT_EQ(Log, (Names{"form", "windows", "second", "proc", "first", "child"}));
  EXPECT_FALSE(IsWindow(windows[0]));
  EXPECT_FALSE(IsWindow(windows[1]));
}

// Holds a reference for a moment, as code that must survive a call does; inside a destroy
// its Release enters Destroy a second time.
void HoldBriefly(void* name, TWinObject* sender) {
  Log.push_back(static_cast<const char*>(name));
  AddRef(sender);
  Release(sender);
}
void HoldBrieflyProc(void* object) {
  HoldBriefly(const_cast<char*>("proc"), static_cast<TWinObject*>(object));
}

TEST_F(ObjectsTest, ReenteredDestroyFreesEverythingOnce) {
  // From the OnDestroy of a form.
  TWinControl* form = NewForm(nullptr, "Reentered");
  Named(NewPaintBox(form), "child");
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "owned"));
  form->OnDestroy = {HoldBriefly, const_cast<char*>("form")};
  const int windows = CountWindows();
  form->GetHandle();
  EXPECT_EQ(DeletesOnFree(form), 1);
  EXPECT_EQ(Log, (Names{"form", "owned", "child"}));

  // From an auto-free step of a form.
  Log.clear();
  form = NewForm(nullptr, "Reentered");
  Named(NewPaintBox(form), "child");
  AddProcToAutoFree(form, LogProc, const_cast<char*>("older"));
  AddProcToAutoFree(form, HoldBrieflyProc, form);
  form->GetHandle();
  EXPECT_EQ(DeletesOnFree(form), 1);
  EXPECT_EQ(Log, (Names{"proc", "older", "child"}));
  EXPECT_EQ(CountWindows(), windows);

  // From the OnDestroy of a plain object.
  Log.clear();
  TWinObject* object = NewObject<TWinObject>();
  object->OnDestroy = {HoldBriefly, const_cast<char*>("object")};
  AddProcToAutoFree(object, LogProc, const_cast<char*>("proc"));
  EXPECT_EQ(DeletesOnFree(object), 1);
  EXPECT_EQ(Log, (Names{"object", "proc"}));
}

// ---- TWinList ----

std::vector<intptr_t> Items(const TWinList* list) {
  std::vector<intptr_t> items;
  for (int i = 0; i < list->Count; i++) items.push_back(reinterpret_cast<intptr_t>(list->Get(i)));
  return items;
}

void* Item(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST_F(ObjectsTest, ListKeepsItsItemsInOrderAndNeverFreesThem) {
  TWinList* list = NewObject<TWinList>();
  for (intptr_t v = 1; v <= 5; v++) list->Add(Item(v));
  list->Insert(0, Item(10));
  list->Insert(3, Item(11));
  list->Delete(1, 2);
  list->Remove(Item(99));  // absent: nothing happens
  list->Remove(Item(4));
  list->Delete(3, 10);  // a run past the end stops at the end
  EXPECT_EQ(Items(list), (std::vector<intptr_t>{10, 11, 3}));
  EXPECT_EQ(list->IndexOf(Item(99)), -1);
  EXPECT_EQ(list->Get(-1), nullptr);
  EXPECT_EQ(list->Get(list->Count), nullptr);

  TWinObject* item = Named(NewObject<TWinObject>(), "item");
  list->Add(item);
  Free(list);
  EXPECT_TRUE(Log.empty());
  Free(item);
  EXPECT_EQ(Log, Names{"item"});
}

// ---- Windows, styles and bounds ----

// The switcher's own set-up: placed, sized, then made a borderless popup that stays on top.
TEST_F(ObjectsTest, SwitcherFormSetUpGivesAHiddenBorderlessTopmostPopupWhereItWasPlaced) {
  TWinControl* form = NewForm(nullptr, "Form1");
  form->SetPosition(144, 171);
  EXPECT_EQ(form->Handle, nullptr);  // made only when needed
  form->SetClientSize(300, 200);
  HWND w = form->Handle;
  ASSERT_TRUE(w);
  char className[32] = {};
  GetClassNameA(w, className, sizeof className);
  EXPECT_STREQ(className, "obj_Form");
  EXPECT_EQ(GetPropA(w, "SELF_"), form);
  DWORD style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_EQ(style & 0xFFFF0000, 0x06CF0000u) << std::hex << style;  // framed and hidden
  EXPECT_TRUE(Is({0, 0, 300, 200}, ClientOf(w))) << "the frame goes around it";

  form->SetHasBorder(false);
  form->SetStayOnTop(true);
  style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP) << std::hex << style;
  EXPECT_EQ(style & (WS_VISIBLE | WS_OVERLAPPEDWINDOW), 0u) << std::hex << style;
  const DWORD exStyle = GetWindowLongA(w, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT), 0u)
      << std::hex << exStyle;
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(form->HasBorder());

  // Without a frame the whole window is client area; 0 or less keeps a dimension.
  form->SetClientSize(1080, 723);
  EXPECT_TRUE(Is({144, 171, 144 + 1080, 171 + 723}, WindowRect(w)));
  form->SetClientSize(0, 500);
  form->SetClientSize(640, -1);
  EXPECT_TRUE(Is({144, 171, 144 + 640, 171 + 500}, WindowRect(w)));
  EXPECT_FALSE(IsWindowVisible(w));
  Free(form);
}

TEST_F(ObjectsTest, ClientAlignedPaintBoxFillsTheFormAfterEveryResize) {
  TWinControl* form = NewForm(nullptr, "Aligned");
  form->Margin = 0;
  form->SetHasBorder(false);
  TWinControl* box = NewPaintBox(form)->SetAlign(5);
  ASSERT_TRUE(form->Handle && box->Handle);
  EXPECT_TRUE(Is(ClientOf(form->Handle), box->GetBounds()));
  auto expectFilled = [&](int w, int h) {
    EXPECT_TRUE(Is({0, 0, w, h}, box->GetBounds()));
    EXPECT_TRUE(Is({0, 0, w, h}, ClientOf(box->Handle)));
  };
  form->SetClientSize(701, 33);
  expectFilled(701, 33);
  // A resize that does not go through the control, as the system makes.
  SetWindowPos(form->Handle, 0, 0, 0, 250, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  expectFilled(250, 90);
  // The switcher resizes its form while hidden and then shows it.
  form->Show();
  form->Hide();
  form->SetClientSize(333, 222);
  form->Show();
  expectFilled(333, 222);
  Free(form);
}

// ---- Handles given back ----

// Every form gets its own copy of the main window's icon: freeing either never destroys
// the other's. Icons are USER objects, which the GDI count does not see.
TEST_F(ObjectsTest, FreedFormsLeaveNoHandlesAndDestroyOnlyTheirOwnIcon) {
  TWinControl* main = NewForm(nullptr, "Main");
  main->Icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
  main->GetHandle();
  MainWindow = main;
  HICON mainIcon = main->Icon;
  auto cycle = [&](int i) {
    TWinControl* form = NewForm(nullptr, "Many");
    TWinControl* box = NewPaintBox(form)->SetAlign(5);
    ASSERT_TRUE(form->GetHandle() && box->GetHandle());
    HICON icon = form->Icon;
    ASSERT_TRUE(IsIcon(icon)) << i;
    EXPECT_NE(icon, mainIcon);
    ASSERT_TRUE(BackgroundBrush(form));
    box->Canvas()->FillRectangle({0, 0, 10, 10});
    EXPECT_GT(box->Canvas()->TextWidth("handles"), 0);
    ASSERT_TRUE(box->Canvas()->Brush()->Handle() && box->Canvas()->Font()->Handle());
    Free(form);
    EXPECT_FALSE(IsIcon(icon)) << i;
    ASSERT_TRUE(IsIcon(mainIcon)) << "freeing form " << i << " destroyed the main icon";
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 30, 1));

  TWinControl* second = NewForm(nullptr, "Second");
  second->GetHandle();
  HWND mainWindow = main->Handle;
  MainWindow = nullptr;
  Free(main);
  EXPECT_FALSE(IsWindow(mainWindow));
  EXPECT_FALSE(IsIcon(mainIcon));
  EXPECT_TRUE(IsIcon(second->Icon)) << "freeing the main window destroyed a form's icon";
  Free(second);
}

}  // namespace
