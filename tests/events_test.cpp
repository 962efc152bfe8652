// Message dispatch, the events a control raises, closing and the loop, seen through the
// window procedure as the system calls it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "winobj/events.h"
#include "winobj/objects.h"

namespace {

std::string Log;        // the steps a message went through, each followed by "|"
UINT Watched = 0;       // the message the steps log
std::string HandledBy;  // the step that reports it handled; "key" or "mouse": the event stops it
const UINT Probe = WM_APP + 7;

bool Step(const std::string& name, UINT message) {
  if (message == Watched) Log += name + "|";
  return message == Watched && HandledBy == name;
}
LRESULT CALLBACK RecordingDefault(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  Step("d", message);
  return DefWindowProcA(w, message, wParam, lParam);
}
// What handles a message answers 7.
bool OwnMessage(void* name, MessageRecord& m, LRESULT& r) {
  return Step(static_cast<const char*>(name), m.Message) && (r = 7);
}
template <const char* Name>
bool Handler(TWinControl*, MessageRecord& m, LRESULT& r) {
  return Step(Name, m.Message) && (r = 7);
}
constexpr char First[] = "1", Second[] = "2";
void Key(const char* what, int& key, DWORD shift) {
  Step(what + std::to_string(key) + " shift " + std::to_string(shift), Watched);
  if (HandledBy == "key") key = 0;
}
void Mouse(std::string what, MouseRecord& m) {
  what += " " + std::to_string(m.Button) + " at " + std::to_string(m.X) + "," +
          std::to_string(m.Y) + " shift " + std::to_string(LOWORD(m.Shift));
  Step(what, Watched);
  m.StopHandling = HandledBy == "mouse";
}
void Query(void*, TWinControl*, bool& accept) { accept = !Step("query", WM_CLOSE); }
void Named(void* name, TWinObject*) { Log += static_cast<const char*>(name) + std::string("|"); }
void SetKeys(const std::string& held) {  // s: Shift and Control, a: Alt
  BYTE keys[256] = {};
  if (held == "s") keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
  if (held == "a") keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
}
TWinControl* RecordedForm(const char* caption) {
  TWinControl* form = NewForm(nullptr, caption);
  form->GetHandle();
  form->BaseWndProc = RecordingDefault;
  return form;
}

class EventsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    AppRunning = false;
    MainWindow = nullptr;
    MSG msg;  // nothing a test left queued may reach the next one
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    AppTerminated = false;
    SetKeys("");
  }
};

// The main window's OnMessage (for its children's messages while the loop runs), OnMessage,
// the handlers and events, the latest attached first, then the built-in procedure: the first
// that reports handled ends it. Alt makes keys system keys; the wheel delta is signed.
TEST_F(EventsTest, AMessageSkipsAStepOrGoesPastTheStepThatHandledIt) {
  TWinControl* form = RecordedForm("Main");
  TWinControl* child = NewPaintBox(form);
  child->GetHandle();
  child->BaseWndProc = RecordingDefault;
  child->OnMessage = {OwnMessage, const_cast<char*>("c")};
  form->OnMessage = {OwnMessage, const_cast<char*>("m")};
  AttachHandler(form, Handler<First>);
  AttachHandler(form, Handler<Second>);
  AttachHandler(form, Handler<First>);  // attached once only
  form->SetOnKeyDown([](void*, TWinControl*, int& k, DWORD shift) { Key("down ", k, shift); }, 0);
  form->SetOnKeyUp([](void*, TWinControl*, int& k, DWORD shift) { Key("up ", k, shift); }, 0);
  form->SetOnMouseUp([](void*, TWinControl*, MouseRecord& m) { Mouse("up", m); }, nullptr);
  form->SetOnMouseWheel([](void*, TWinControl*, MouseRecord& m) {
        Mouse("wheel " + std::to_string(static_cast<SHORT>(HIWORD(m.Shift))), m);
      }, nullptr);
  form->SetOnShow(Named, const_cast<char*>("show"));
  form->OnCloseQuery = {Query, nullptr};
  MainWindow = form;
  const LPARAM at = MAKELPARAM(-5, -7), distant = MAKELPARAM(30000, 2), wheelAt = MAKELPARAM(1, 2);
  const WPARAM up = MAKEWPARAM(0, WHEEL_DELTA), down = MAKEWPARAM(0, -WHEEL_DELTA);
  const struct {
    bool toChild, running; std::string held, handledBy; UINT message; WPARAM wParam;
    LPARAM lParam; std::string log; bool quits = false;
  } cases[] = {  // m: the form's OnMessage, c: the child's, 2 and 1: handlers, d: default
      {false, false, "", "", Probe, 0, 0, "m|2|1|d|"},
      {false, false, "", "m", Probe, 0, 0, "m|"},
      {false, false, "", "2", Probe, 0, 0, "m|2|"},
      {true, false, "", "", Probe, 0, 0, "c|d|"},
      {true, true, "", "", Probe, 0, 0, "m|c|d|"},
      {true, true, "", "m", Probe, 0, 0, "m|"},
      {false, true, "", "", Probe, 0, 0, "m|2|1|d|"},  // its own messages once
      {false, false, "s", "", WM_KEYDOWN, VK_F5, 0, "m|2|1|down 116 shift 12|d|"},
      {false, false, "a", "", WM_SYSKEYDOWN, 'Q', 0x20000000, "m|2|1|down 81 shift 32|d|"},
      {false, false, "a", "", WM_SYSKEYUP, 'Q', LPARAM(0xE0000000), "m|2|1|up 81 shift 32|d|"},
      {false, false, "", "key", WM_KEYDOWN, VK_F5, 0, "m|2|1|down 116 shift 0|"},
      {false, false, "", "m", WM_KEYDOWN, VK_F5, 0, "m|"},
      {false, false, "", "", WM_LBUTTONUP, MK_SHIFT, at, "m|up 1 at -5,-7 shift 4|2|1|d|"},
      {false, false, "", "", WM_RBUTTONUP, MK_SHIFT, at, "m|up 2 at -5,-7 shift 4|2|1|d|"},
      {false, false, "", "", WM_MBUTTONUP, MK_SHIFT, at, "m|up 3 at -5,-7 shift 4|2|1|d|"},
      {false, false, "", "mouse", WM_LBUTTONUP, 0, distant, "m|up 1 at 30000,2 shift 0|"},
      {false, false, "", "m", WM_LBUTTONUP, 0, 0, "m|"},
      {false, false, "", "", WM_MOUSEWHEEL, up, wheelAt, "m|wheel 120 0 at 1,2 shift 0|2|1|d|"},
      {false, false, "a", "", WM_MOUSEWHEEL, down, wheelAt,
       "m|wheel -120 0 at 1,2 shift 32|2|1|d|"},
      {false, false, "", "", WM_SHOWWINDOW, TRUE, 0, "m|show|2|1|d|"},  // was hidden
      {false, true, "", "2", WM_CLOSE, 0, 0, "m|2|", false},
      {false, true, "", "query", WM_CLOSE, 0, 0, "m|2|1|query|", false},  // refused
      {false, true, "", "", WM_CLOSE, 0, 0, "m|2|1|query|", true},
      {false, true, "", "", WM_CLOSE, 0, 0, "m|2|1|", true},  // accepted: asked once only
  };
  for (const auto& c : cases) {
    AppRunning = c.running;
    SetKeys(c.held);
    HandledBy = c.handledBy;
    Watched = c.message;
    Log.clear();
    const HWND to = (c.toChild ? child : form)->Handle;
    const LRESULT r = SendMessageA(to, c.message, c.wParam, c.lParam);
    EXPECT_EQ(Log, c.log) << &c - cases;
    EXPECT_TRUE(r == 7 || (c.handledBy != "m" && c.handledBy != "2")) << &c - cases;
    MSG quit;
    EXPECT_EQ(PeekMessageA(&quit, 0, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, c.quits) << &c - cases;
  }
  EXPECT_TRUE(IsWindow(form->Handle)) << "a closed main window is left to the loop";
  form->OnHide = {Named, const_cast<char*>("hide")};  // show and hide only on a change
  ShowWindow(form->Handle, SW_SHOWNOACTIVATE);
  Watched = WM_SHOWWINDOW;
  Log.clear();
  SendMessageA(form->Handle, WM_SHOWWINDOW, TRUE, 0);
  ShowWindow(form->Handle, SW_HIDE);
  SendMessageA(form->Handle, WM_SHOWWINDOW, FALSE, 0);
  EXPECT_EQ(Log, "m|2|1|d|m|hide|2|1|d|m|2|1|d|");
  AppRunning = false;
  MainWindow = nullptr;
  Free(form);
}

// A handler may free its own control: it goes after the dispatch.
TEST_F(EventsTest, AControlFreedDuringItsEventsIsUsedAfterwards) {
  TWinControl* form = RecordedForm("Freed");
  HWND w = form->Handle;
  form->OnDestroy = {Named, const_cast<char*>("destroyed")};
  form->SetOnMouseUp([](void*, TWinControl* sender, MouseRecord&) {
        Free(sender);
        Log += sender->RefCount & 1 ? "still alive|" : "gone|";
      }, nullptr);
  Log.clear();
  Watched = WM_LBUTTONUP;
  SendMessageA(w, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(Log, "still alive|destroyed|");
  EXPECT_FALSE(IsWindow(w));
}

// Messages queued behind a quit are still dispatched; Run ends on an accepted close and
// destroys the form with what it owns, its receiver before the window, whose last messages
// must not reach it. The loop runs once per process: one test.
TEST_F(EventsTest, TheLoopDropsWhatFollowsAQuitOrRunLeavesTheFormOrItsReceiverBehind) {
  TWinControl* form = RecordedForm("Form1");
  TWinControl* box = NewPaintBox(form);
  bool receiverFreed = false;
  form->OnMessage = {[](void* freed, MessageRecord& m, LRESULT&) {
                       if (*static_cast<bool*>(freed)) Log += "after free|";
                       if (m.Message == Probe) Log += AppTerminated ? "after|" : "before|";
                       return false;
                     }, &receiverFreed};
  Log.clear();
  PostMessageA(form->Handle, Probe, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  ProcessMessages(form);
  EXPECT_EQ(Log, "before|after|after|");
  EXPECT_TRUE(AppTerminated);

  Log.clear();
  AppTerminated = false;
  const HWND w = form->Handle, boxWindow = box->GetHandle();
  AddProcToAutoFree(form, [](void* freed) {
        *static_cast<bool*>(freed) = true;
        Log += "freed|";
      }, &receiverFreed);
  form->OnCloseQuery = {Query, nullptr};
  Watched = WM_CLOSE;
  HandledBy.clear();
  PostMessageA(w, WM_CLOSE, 0, 0);
  TWinControl* variable = form;
  ::Run(variable);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(Log, "query|freed|");
  EXPECT_FALSE(IsWindow(w) || IsWindow(boxWindow) || AppRunning);
  EXPECT_EQ(MainWindow, nullptr);
}

}  // namespace
