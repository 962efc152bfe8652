// Message dispatch, the events a control raises, closing and the loop, seen through the
// window procedure as the system calls it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "winobj/events.h"
#include "winobj/objects.h"

namespace {

using Names = std::vector<std::string>;
Names Log;
std::vector<UINT> Defaults;  // messages that reached the control's base procedure
const UINT Probe = WM_APP + 7;
bool Swallow = false;  // the next event asks to stop its message

LRESULT CALLBACK RecordingDefault(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  Defaults.push_back(message);
  return DefWindowProcA(w, message, wParam, lParam);
}
bool ReachedDefault(UINT message) {
  return std::find(Defaults.begin(), Defaults.end(), message) != Defaults.end();
}
LRESULT Send(TWinControl* c, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  Log.clear();
  Defaults.clear();
  return SendMessageA(c->Handle, message, wParam, lParam);
}
bool TakeQuit() {
  MSG msg;
  return PeekMessageA(&msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}
void LogName(void* name, TWinObject*) { Log.push_back(static_cast<const char*>(name)); }
void CountQuery(void* count, TWinControl*, bool& accept) {
  ++*static_cast<int*>(count);
  accept = !Swallow;
}
// Logs Probe under the receiver's name, and handles one with lParam set.
bool LogProbe(void* name, MessageRecord& m, LRESULT&) {
  if (m.Message == Probe) Log.push_back(static_cast<const char*>(name));
  return m.Message == Probe && m.LParam;
}
// Handlers log Probe and WM_CLOSE under their name; "second" handles WM_CLOSE.
template <const char* Name>
bool Logging(TWinControl*, MessageRecord& m, LRESULT& r) {
  if (m.Message != Probe && m.Message != WM_CLOSE) return false;
  Log.push_back(Name);
  r = 7;
  return m.Message == WM_CLOSE && std::string(Name) == "second";
}
constexpr char First[] = "first", Second[] = "second";

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Swallow = AppRunning = AppTerminated = false;
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }
  void TearDown() override {
    AppRunning = false;
    MainWindow = nullptr;
    for (TWinControl* form : forms) Free(form);
    MSG msg;  // nothing a test left queued may reach the next one
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    AppTerminated = false;
  }
  // A hidden form whose default processing is recorded, freed by TearDown unless kept.
  TWinControl* Form(const char* caption = "Form1", bool freedByTest = false) {
    TWinControl* form = NewForm(nullptr, caption);
    form->GetHandle();
    form->BaseWndProc = RecordingDefault;
    if (!freedByTest) forms.push_back(form);
    return form;
  }
  std::vector<TWinControl*> forms;
};

// OnMessage first, then the handlers, the latest attached first, then default processing;
// the first that reports handled ends it. The main window's OnMessage comes before all.
TEST_F(EventsTest, AHandledMessageGoesFurtherOrAnUnhandledOneStopsShort) {
  TWinControl* form = Form("Five!");
  EXPECT_EQ(Send(form, WM_GETTEXTLENGTH), 5);
  form->OnMessage = {[](void*, MessageRecord& m, LRESULT&) {
                       return m.Message == WM_GETTEXTLENGTH || m.Message == WM_LBUTTONUP ||
                              m.Message == WM_KEYDOWN;
                     }, nullptr};
  form->SetOnMouseUp([](void*, TWinControl*, MouseRecord&) { Log.push_back("mouse"); }, nullptr);
  form->SetOnKeyDown([](void*, TWinControl*, int&, DWORD) { Log.push_back("key"); }, nullptr);
  AttachHandler(form, Logging<First>);
  AttachHandler(form, Logging<Second>);
  AttachHandler(form, Logging<First>);  // attached once only
  for (UINT message : {WM_GETTEXTLENGTH, WM_LBUTTONUP, WM_KEYDOWN}) {
    EXPECT_EQ(Send(form, message, 'A', MAKELPARAM(3, 4)), 0) << message;
    EXPECT_TRUE(Log.empty() && !ReachedDefault(message)) << message;
  }
  Send(form, Probe);
  EXPECT_EQ(Log, (Names{"second", "first"}));
  EXPECT_TRUE(ReachedDefault(Probe));
  int queries = 0;
  form->OnCloseQuery = {CountQuery, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 7);
  EXPECT_EQ(Log, Names{"second"});
  EXPECT_TRUE(queries == 0 && !TakeQuit() && IsWindow(form->Handle));

  TWinControl* main = Form("Main");
  TWinControl* other = NewPaintBox(main);
  ASSERT_TRUE(other->GetHandle());
  MainWindow = main;
  main->OnMessage = {LogProbe, const_cast<char*>("main")};
  other->OnMessage = {LogProbe, const_cast<char*>("other")};
  const struct { bool running; TWinControl* to; LPARAM handled; Names log; } probes[] = {
      {false, other, 0, {"other"}},  // before the loop runs
      {true, other, 0, {"main", "other"}},
      {true, other, 1, {"main"}},
      {true, main, 0, {"main"}},  // its own messages once
  };
  for (const auto& c : probes) {
    AppRunning = c.running;
    Send(c.to, Probe, 0, c.handled);
    EXPECT_EQ(Log, c.log) << &c - probes;
  }
}

// A handler may free its own control: it goes after the dispatch. A form's receiver is
// auto-freed before the window, whose last messages must not reach it.
TEST_F(EventsTest, AControlOrReceiverFreedDuringItsEventsIsUsedAfterwards) {
  TWinControl* form = Form("Freed", true);
  HWND w = form->Handle;
  form->OnDestroy = {LogName, const_cast<char*>("destroyed")};
  form->SetOnMouseUp([](void*, TWinControl* sender, MouseRecord&) {
        Free(sender);
        Log.push_back(sender->RefCount & 1 ? "still alive" : "gone");
      }, nullptr);
  Send(form, WM_LBUTTONUP);
  EXPECT_EQ(Log, (Names{"still alive", "destroyed"}));
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP) || IsWindow(w));

  struct Receiver {
    bool Freed = false;
    int CallsAfterFree = 0;
  } receiver;
  form = Form("Receiver", true);
  form->OnMessage = {[](void* data, MessageRecord&, LRESULT&) {
                       Receiver* r = static_cast<Receiver*>(data);
                       r->CallsAfterFree += r->Freed;
                       return false;
                     }, &receiver};
  AddProcToAutoFree(form, [](void* r) { static_cast<Receiver*>(r)->Freed = true; }, &receiver);
  Free(form);
  EXPECT_TRUE(receiver.Freed);
  EXPECT_EQ(receiver.CallsAfterFree, 0);
}

void LogKey(const char* what, int& key, DWORD shift) {
  Log.push_back(std::string(what) + " " + std::to_string(key) + " shift " + std::to_string(shift));
  if (Swallow) key = 0;
}
void LogMouse(std::string what, MouseRecord& m) {
  Log.push_back(what + " button " + std::to_string(m.Button) + " at " + std::to_string(m.X) +
                "," + std::to_string(m.Y) + " shift " + std::to_string(LOWORD(m.Shift)));
  m.StopHandling = Swallow;
}

// Keys pressed with Alt come as system keys; the wheel delta is the signed high word of Shift.
TEST_F(EventsTest, KeyAndMouseEventsGetAWrongShiftButtonOrPositionOrStopUnswallowed) {
  TWinControl* form = Form();
  form->SetOnKeyDown([](void*, TWinControl*, int& k, DWORD shift) { LogKey("down", k, shift); },
                     nullptr);
  form->SetOnKeyUp([](void*, TWinControl*, int& k, DWORD shift) { LogKey("up", k, shift); },
                   nullptr);
  form->SetOnMouseUp([](void*, TWinControl*, MouseRecord& m) { LogMouse("up", m); }, nullptr);
  form->SetOnMouseWheel([](void*, TWinControl*, MouseRecord& m) {
        LogMouse("wheel " + std::to_string(static_cast<SHORT>(HIWORD(m.Shift))), m);
      }, nullptr);
  const WPARAM up = MAKEWPARAM(0, WHEEL_DELTA), down = MAKEWPARAM(0, -WHEEL_DELTA);
  const LPARAM at = MAKELPARAM(-5, -7), wheelAt = MAKELPARAM(100, 200);
  const struct {  // reachesDefault -1: either
    std::vector<int> held; bool swallow; UINT message; WPARAM wParam; LPARAM lParam;
    std::string logged; int reachesDefault;
  } cases[] = {
      {{VK_SHIFT, VK_CONTROL}, false, WM_KEYDOWN, VK_F5, 0, "down 116 shift 12", 1},
      {{VK_MENU}, false, WM_SYSKEYDOWN, 'Q', 0x20000000, "down 81 shift 32", 1},
      {{VK_MENU}, false, WM_SYSKEYUP, 'Q', static_cast<LPARAM>(0xE0000000), "up 81 shift 32", 1},
      {{}, false, WM_KEYUP, 'R', 0, "up 82 shift 0", 1},
      {{}, true, WM_KEYDOWN, VK_F5, 0, "down 116 shift 0", 0},
      {{}, false, WM_LBUTTONUP, MK_SHIFT, at, "up button 1 at -5,-7 shift 4", 1},
      {{}, false, WM_RBUTTONUP, MK_SHIFT, at, "up button 2 at -5,-7 shift 4", 1},
      {{}, false, WM_MBUTTONUP, MK_SHIFT, at, "up button 3 at -5,-7 shift 4", 1},
      {{}, true, WM_LBUTTONUP, 0, MAKELPARAM(30000, 2), "up button 1 at 30000,2 shift 0", 0},
      {{}, false, WM_MOUSEWHEEL, up, wheelAt, "wheel 120 button 0 at 100,200 shift 0", -1},
      {{VK_MENU}, false, WM_MOUSEWHEEL, down, wheelAt, "wheel -120 button 0 at 100,200 shift 32", -1},
  };
  for (const auto& c : cases) {
    BYTE keys[256] = {};
    for (int key : c.held) keys[key] = 0x80;
    SetKeyboardState(keys);
    Swallow = c.swallow;
    Send(form, c.message, c.wParam, c.lParam);
    EXPECT_EQ(Log, Names{c.logged});
    EXPECT_TRUE(c.reachesDefault < 0 || ReachedDefault(c.message) == (c.reachesDefault == 1))
        << c.logged;
  }
}

// OnShow only when a hidden window is shown. A refused close keeps the query; an accepted one
// of the main window posts quit and leaves the window to the loop.
TEST_F(EventsTest, ShowOrHideIsRaisedTwiceOrAClosedMainWindowPostsNoQuit) {
  TWinControl* form = Form();
  Log.clear();
  form->SetOnShow(LogName, const_cast<char*>("show"));
  form->OnHide = {LogName, const_cast<char*>("hide")};
  ShowWindow(form->Handle, SW_SHOWNOACTIVATE);
  SendMessageA(form->Handle, WM_SHOWWINDOW, TRUE, 0);  // already visible
  EXPECT_TRUE(form->Visible);
  ShowWindow(form->Handle, SW_HIDE);
  SendMessageA(form->Handle, WM_SHOWWINDOW, FALSE, 0);  // already hidden
  EXPECT_EQ(Log, (Names{"show", "hide"}));
  EXPECT_FALSE(form->Visible);

  MainWindow = form;
  AppRunning = Swallow = true;
  int queries = 0;
  form->OnCloseQuery = {CountQuery, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_FALSE(TakeQuit());
  Swallow = false;
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(queries, 3);
  EXPECT_FALSE(form->OnCloseQuery.Assigned());
  EXPECT_TRUE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
  EXPECT_FALSE(ReachedDefault(WM_CLOSE));
}

// Messages queued behind a quit are still dispatched; Run ends on an accepted close and
// destroys the form with what it owns. The loop runs once per process: one test.
TEST_F(EventsTest, TheLoopDropsWhatFollowsAQuitOrRunLeavesTheFormBehind) {
  TWinControl* form = Form("Form1", true);
  TWinControl* box = NewPaintBox(form);
  form->OnMessage = {[](void*, MessageRecord& m, LRESULT&) {
                       if (m.Message == Probe) Log.push_back(AppTerminated ? "after" : "before");
                       return false;
                     }, nullptr};
  Log.clear();
  PostMessageA(form->Handle, Probe, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  ProcessMessages(form);
  EXPECT_EQ(Log, (Names{"before", "after", "after"}));

  Log.clear();
  AppTerminated = false;
  const HWND w = form->Handle, boxWindow = box->GetHandle();
  TWinObject* owned = NewObject<TWinObject>();
  owned->OnDestroy = {LogName, const_cast<char*>("destroyed")};
  AddToAutoFree(form, owned);
  PostMessageA(w, WM_CLOSE, 0, 0);
  TWinControl* variable = form;
  ::Run(variable);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(Log, Names{"destroyed"});
  EXPECT_FALSE(IsWindow(w) || IsWindow(boxWindow) || AppRunning);
  EXPECT_EQ(MainWindow, nullptr);
}

}  // namespace
