// Object lifetimes and destruction order, and what freed forms leave behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "heapwatch.h"
#include "leaks.h"
#include "winobj/canvas.h"
#include "winobj/events.h"
#include "winobj/objects.h"
#include "winobj/paint.h"

namespace {

std::string Log;  // names, each followed by "|"

void LogProc(void* name) { Log += static_cast<const char*>(name) + std::string("|"); }
template <typename T>
T* Named(T* object, const char* name) {
  object->OnDestroy = {[](void* n, TWinObject*) { LogProc(n); }, const_cast<char*>(name)};
  return object;
}
// Holds a reference for a moment, as code that must survive a call does: inside a destroy
// its Release enters Destroy again.
void HoldBriefly(void* object) {
  Log += "held|";
  AddRef(static_cast<TWinObject*>(object));
  Release(static_cast<TWinObject*>(object));
}
// Frees the object; returns how often its memory was given back.
int DeletesOnFree(TWinObject* object, bool release = false) {
  WatchedBlock = object;
  WatchedDeletes = 0;
  release ? Release(object) : Free(object);
  WatchedBlock = nullptr;
  return WatchedDeletes;
}
bool IsIcon(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return true;
}

// Auto-free steps run newest first while the windows are there, then the children go.
TEST(Lifetime, AnObjectIsFreedTwiceOrWhileHeldOrOutOfOrder) {
  TWinControl* form = Named(NewForm(nullptr, "Held"), "form");
  EXPECT_EQ(form->Handle, nullptr) << "a window is made only when needed";
  HWND window = form->GetHandle();
  for (auto step : {AddRef, AddRef, Free, Free, Release}) step(form);  // a second Free is none
  EXPECT_TRUE(Log.empty() && IsWindow(window));
  EXPECT_EQ(DeletesOnFree(form, true), 1);
  EXPECT_EQ(Log, "form|");
  EXPECT_FALSE(IsWindow(window));

  for (bool fromOnDestroy : {true, false}) {
    Log.clear();
    form = NewForm(nullptr, "Owner");
    TWinControl* child = Named(NewPaintBox(form), "child");
    HWND windows[] = {form->GetHandle(), child->GetHandle()};
    AddToAutoFree(form, Named(NewObject<TWinObject>(), "first"));
    AddProcToAutoFree(form, LogProc, const_cast<char*>("proc"));
    AddToAutoFree(form, Named(NewObject<TWinObject>(), "second"));
    AddProcToAutoFree(form, [](void* w) {
          const HWND* windows = static_cast<HWND*>(w);
          Log += IsWindow(windows[0]) && IsWindow(windows[1]) ? "windows|" : "none|";
        }, windows);
    if (fromOnDestroy) form->OnDestroy = {[](void* f, TWinObject*) { HoldBriefly(f); }, form};
    else AddProcToAutoFree(form, HoldBriefly, form);
    EXPECT_EQ(DeletesOnFree(form), 1);
    EXPECT_EQ(Log, "held|windows|second|proc|first|child|");
    EXPECT_FALSE(IsWindow(windows[0]) || IsWindow(windows[1]));
  }
}

TEST(List, ItemsAreLostReorderedOrFreedWithTheList) {
  Log.clear();
  TWinList* list = NewObject<TWinList>();
  for (intptr_t v = 1; v <= 5; v++) list->Add(reinterpret_cast<void*>(v));
  list->Insert(0, reinterpret_cast<void*>(10));
  list->Insert(3, reinterpret_cast<void*>(11));
  list->Delete(1, 2);
  list->Remove(reinterpret_cast<void*>(99));  // absent
  list->Remove(reinterpret_cast<void*>(4));
  list->Delete(3, 10);  // stops at the end
  std::string items;
  for (int i = 0; i <= list->Count; i++)  // one past the end: none
    items += std::to_string(reinterpret_cast<intptr_t>(list->Get(i))) + " ";
  EXPECT_EQ(items, "10 11 3 0 ");
  EXPECT_EQ(list->Get(-1), nullptr);
  TWinObject* item = Named(NewObject<TWinObject>(), "item");
  list->Add(item);
  Free(list);
  EXPECT_TRUE(Log.empty());
  Free(item);
}

// Each form gets its own copy of the main window's icon. Icons are USER objects, which the
// GDI count does not see.
TEST(Form, AFormIsSizedWithoutItsFrameLeaksOrDestroysAnotherFormsIcon) {
  TWinControl* main = NewForm(nullptr, "Main");
  main->Icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
  main->GetHandle();
  MainWindow = main;
  HICON mainIcon = main->Icon;
  auto cycle = [&](int i) {
    TWinControl* form = NewForm(nullptr, "Many")->SetClientSize(300, 200);
    TWinControl* box = NewPaintBox(form)->SetAlign(5);
    ASSERT_TRUE(form->GetHandle() && box->GetHandle() && BackgroundBrush(form));
    RECT client = {};
    GetClientRect(form->Handle, &client);
    EXPECT_TRUE(client.right == 300 && client.bottom == 200) << "the frame goes around it";
    EXPECT_EQ(GetWindowLongA(form->Handle, GWL_STYLE) & 0xFFFF0000,  // framed, hidden
              WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    HICON icon = form->Icon;
    ASSERT_TRUE(IsIcon(icon) && icon != mainIcon) << i;
    box->Canvas()->FillRectangle({0, 0, 10, 10});
    EXPECT_GT(box->Canvas()->TextWidth("handles"), 0);
    Free(form);
    EXPECT_FALSE(IsIcon(icon)) << i;
    ASSERT_TRUE(IsIcon(mainIcon)) << "freeing form " << i << " destroyed the main icon";
  };
  EXPECT_TRUE(LeavesNoHandles(cycle, 30, 1));

  TWinControl* second = NewForm(nullptr, "Second");
  second->GetHandle();
  MainWindow = nullptr;
  Free(main);
  EXPECT_FALSE(IsIcon(mainIcon));
  EXPECT_TRUE(IsIcon(second->Icon)) << "freeing the main window destroyed a form's icon";
  Free(second);
}

}  // namespace
