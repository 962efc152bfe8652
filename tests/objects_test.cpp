// Objects, lists and controls: lifetimes, destruction order, and the windows that the
// controls make, read back from the system.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
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
using Rect = std::array<LONG, 4>;
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

Rect WindowRectOf(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return {r.left, r.top, r.right, r.bottom};
}
Rect ClientOf(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return {r.left, r.top, r.right, r.bottom};
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

TEST_F(ObjectsTest, FreeWhileReferencedOrReenteredFreesEverythingOnceAfterTheLastRelease) {
  TWinControl* form = Named(NewForm(nullptr, "Held"), "form");
  HWND window = form->GetHandle();
  AddRef(form);
  AddRef(form);
  Free(form);
  Free(form);  // a second request changes nothing
  Release(form);
  EXPECT_TRUE(Log.empty());
  EXPECT_TRUE(IsWindow(window));
  WatchedBlock = form;
  WatchedDeletes = 0;
  Release(form);
  WatchedBlock = nullptr;
  EXPECT_EQ(Log, Names{"form"});
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(WatchedDeletes, 1);

  // Re-entered from the OnDestroy of a form and from one of its auto-free steps.
  const int windows = CountWindows();
  Log.clear();
  form = NewForm(nullptr, "Reentered");
  Named(NewPaintBox(form), "child");
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "owned"));
  form->OnDestroy = {HoldBriefly, const_cast<char*>("form")};
  form->GetHandle();
  EXPECT_EQ(DeletesOnFree(form), 1);
  EXPECT_EQ(Log, (Names{"form", "owned", "child"}));

  Log.clear();
  form = NewForm(nullptr, "Reentered");
  Named(NewPaintBox(form), "child");
  AddProcToAutoFree(form, LogProc, const_cast<char*>("older"));
  AddProcToAutoFree(form, HoldBrieflyProc, form);
  form->GetHandle();
  EXPECT_EQ(DeletesOnFree(form), 1);
  EXPECT_EQ(Log, (Names{"proc", "older", "child"}));
  EXPECT_EQ(CountWindows(), windows);
}

TEST_F(ObjectsTest, AutoFreeRunsNewestFirstBeforeChildrenAndWindow) {
  TWinControl* form = Named(NewForm(nullptr, "Owner"), "form");
  TWinControl* child = Named(NewPaintBox(form), "child");
  HWND windows[] = {form->GetHandle(), child->Handle};
  ASSERT_TRUE(windows[1]);
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "first"));
  AddProcToAutoFree(form, LogProc, const_cast<char*>("proc"));
  AddToAutoFree(form, Named(NewObject<TWinObject>(), "second"));
  AddProcToAutoFree(
      form,
      [](void* data) {
        HWND* w = static_cast<HWND*>(data);
        Log.push_back(IsWindow(w[0]) && IsWindow(w[1]) ? "windows" : "no windows");
      },
      windows);
  Free(form);
  EXPECT_EQ(Log, (Names{"form", "windows", "second", "proc", "first", "child"}));
  EXPECT_FALSE(IsWindow(windows[0]) || IsWindow(windows[1]));
}

TEST_F(ObjectsTest, ListKeepsItsItemsInOrderAndNeverFreesThem) {
  TWinList* list = NewObject<TWinList>();
  for (intptr_t v = 1; v <= 5; v++) list->Add(reinterpret_cast<void*>(v));
  list->Insert(0, reinterpret_cast<void*>(10));
  list->Insert(3, reinterpret_cast<void*>(11));
  list->Delete(1, 2);
  list->Remove(reinterpret_cast<void*>(99));  // absent: nothing happens
  list->Remove(reinterpret_cast<void*>(4));
  list->Delete(3, 10);  // a run past the end stops at the end
  std::vector<intptr_t> items;
  for (int i = 0; i < list->Count; i++) items.push_back(reinterpret_cast<intptr_t>(list->Get(i)));
  EXPECT_EQ(items, (std::vector<intptr_t>{10, 11, 3}));
  EXPECT_EQ(list->IndexOf(reinterpret_cast<void*>(99)), -1);
  EXPECT_EQ(list->Get(-1), nullptr);
  EXPECT_EQ(list->Get(list->Count), nullptr);

  TWinObject* item = Named(NewObject<TWinObject>(), "item");
  list->Add(item);
  Free(list);
  EXPECT_TRUE(Log.empty());
  Free(item);
  EXPECT_EQ(Log, Names{"item"});
}

// The switcher's own set-up: placed, sized, then made a borderless popup that stays on
// top, with a client-aligned paint box that fills it after every resize.
TEST_F(ObjectsTest, SwitcherFormIsAHiddenBorderlessTopmostPopupWhereItWasPlacedFilledByItsBox) {
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
  EXPECT_EQ((Rect{0, 0, 300, 200}), ClientOf(w)) << "the frame goes around it";

  form->Margin = 0;
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
  TWinControl* box = NewPaintBox(form)->SetAlign(5);
  ASSERT_TRUE(box->Handle);
  auto expectFilled = [&](Rect client) {
    const RECT b = box->GetBounds();
    EXPECT_EQ(client, (Rect{b.left, b.top, b.right, b.bottom}));
    EXPECT_EQ(client, ClientOf(box->Handle));
  };
  expectFilled(ClientOf(w));

  // Without a frame the whole window is client area; 0 or less keeps a dimension.
  form->SetClientSize(1080, 723);
  EXPECT_EQ((Rect{144, 171, 144 + 1080, 171 + 723}), WindowRectOf(w));
  form->SetClientSize(0, 500);
  form->SetClientSize(640, -1);
  EXPECT_EQ((Rect{144, 171, 144 + 640, 171 + 500}), WindowRectOf(w));
  expectFilled({0, 0, 640, 500});
  EXPECT_FALSE(IsWindowVisible(w));
  // A resize that does not go through the control, as the system makes.
  SetWindowPos(w, 0, 0, 0, 250, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  expectFilled({0, 0, 250, 90});
  // The switcher resizes its form while hidden and then shows it.
  form->Show();
  form->Hide();
  form->SetClientSize(333, 222);
  form->Show();
  expectFilled({0, 0, 333, 222});
  Free(form);
}

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
