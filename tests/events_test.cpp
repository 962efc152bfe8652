// Message dispatch, the events a control raises, the close procedure and the loop, seen
// through the window procedure as the system calls it.
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
// Messages that reached default processing (the control's base procedure).
std::vector<UINT> Defaults;

LRESULT CALLBACK RecordingDefault(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  Defaults.push_back(message);
  return DefWindowProcA(w, message, wParam, lParam);
}

bool ReachedDefault(UINT message) {
  return std::find(Defaults.begin(), Defaults.end(), message) != Defaults.end();
}

void SetKeys(std::initializer_list<int> down) {
  BYTE keys[256] = {};
  for (int key : down) keys[key] = 0x80;
  SetKeyboardState(keys);
}

bool TakeQuit() {
  MSG msg;
  return PeekMessageA(&msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

const UINT Probe = WM_APP + 7;

void LogDestroyed(void*, TWinObject*) { Log.push_back("destroyed"); }
void CountQuery(void* count, TWinControl*, bool&) { ++*static_cast<int*>(count); }
void CountAndRefuse(void* count, TWinControl*, bool& accept) {
  ++*static_cast<int*>(count);
  accept = false;
}

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log.clear();
    Defaults.clear();
    AppRunning = false;
    AppTerminated = false;
    MainWindow = nullptr;
    SetKeys({});
    SetFocus(nullptr);
  }
  void TearDown() override {
    AppRunning = false;
    MainWindow = nullptr;
    for (TWinControl* form : forms) Free(form);
    // Nothing a test left queued may reach the next one.
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageA(&msg);
    AppTerminated = false;
    SetKeys({});
  }

  // A hidden form whose default processing is recorded; freed by TearDown.
  TWinControl* Form(const char* caption = "Form1") {
    TWinControl* form = NewForm(nullptr, caption);
    form->GetHandle();
    form->BaseWndProc = RecordingDefault;
    forms.push_back(form);
    return form;
  }

  std::vector<TWinControl*> forms;
};

LRESULT Send(TWinControl* c, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageA(c->Handle, message, wParam, lParam);
}

// ---- Dispatch order and cut-offs ----

const UINT Swallowed[] = {WM_GETTEXTLENGTH, WM_LBUTTONUP, WM_KEYDOWN};
bool IsSwallowed(UINT message) {
  return std::find(std::begin(Swallowed), std::end(Swallowed), message) != std::end(Swallowed);
}

TEST_F(EventsTest, OnMessageReportingHandledReturnsZeroAndStopsEverythingElse) {
  TWinControl* form = Form("Five!");
  EXPECT_EQ(Send(form, WM_GETTEXTLENGTH), 5);
  Defaults.clear();

  form->OnMessage = {[](void*, MessageRecord& m, LRESULT&) { return IsSwallowed(m.Message); },
                     nullptr};
  form->SetOnMouseUp([](void*, TWinControl*, MouseRecord&) { Log.push_back("mouse"); }, nullptr);
  form->SetOnKeyDown([](void*, TWinControl*, int&, DWORD) { Log.push_back("key"); }, nullptr);
  AttachHandler(form, [](TWinControl*, MessageRecord& m, LRESULT&) {
    if (IsSwallowed(m.Message) || m.Message == WM_KEYUP) Log.push_back("handler");
    return false;
  });
  for (UINT message : Swallowed) {
    EXPECT_EQ(Send(form, message, 'A', MAKELPARAM(3, 4)), 0) << message;
    EXPECT_FALSE(ReachedDefault(message)) << message;
  }
  EXPECT_TRUE(Log.empty());

  Send(form, WM_KEYUP, 'A');  // not swallowed: reaches the handler and default processing
  EXPECT_EQ(Log, Names{"handler"});
  EXPECT_TRUE(ReachedDefault(WM_KEYUP));
}

bool First(TWinControl*, MessageRecord& m, LRESULT&) {
  if (m.Message == Probe || m.Message == WM_CLOSE) Log.push_back("first");
  return false;
}
bool Second(TWinControl*, MessageRecord& m, LRESULT& r) {
  if (m.Message != Probe && m.Message != WM_CLOSE) return false;
  Log.push_back("second");
  if (m.Message != WM_CLOSE) return false;
  r = 7;
  return true;
}

TEST_F(EventsTest, LaterHandlersAreAskedFirstAndHandledHidesTheRest) {
  TWinControl* form = Form();
  AttachHandler(form, First);
  AttachHandler(form, Second);
  AttachHandler(form, First);  // attached once only
  Send(form, Probe);
  EXPECT_EQ(Log, (Names{"second", "first"}));
  EXPECT_TRUE(ReachedDefault(Probe));

  // Handled: neither the earlier handler nor the built-in close procedure sees it.
  Log.clear();
  int queries = 0;
  form->OnCloseQuery = {CountQuery, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 7);
  EXPECT_EQ(Log, Names{"second"});
  EXPECT_EQ(queries, 0);
  EXPECT_FALSE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
}

// Logs each Probe under the receiver's name; one with lParam set it handles.
bool LogProbe(void* name, MessageRecord& m, LRESULT&) {
  if (m.Message != Probe) return false;
  Log.push_back(static_cast<const char*>(name));
  return m.LParam != 0;
}

TEST_F(EventsTest, MainWindowSeesItsChildsMessagesFirstButOnlyWhileRunning) {
  TWinControl* main = NewForm(nullptr, "Main");
  TWinControl* other = NewPaintBox(main);
  main->GetHandle();
  forms.push_back(main);
  ASSERT_TRUE(other->Handle);
  MainWindow = main;
  main->OnMessage = {LogProbe, const_cast<char*>("main")};
  other->OnMessage = {LogProbe, const_cast<char*>("other")};

  Send(other, Probe);
  EXPECT_EQ(Log, Names{"other"});

  Log.clear();
  AppRunning = true;
  Send(other, Probe);
  Send(other, Probe, 0, 1);
  EXPECT_EQ(Log, (Names{"main", "other", "main"}));

  // Its own messages reach it once.
  Log.clear();
  Send(main, Probe);
  EXPECT_EQ(Log, Names{"main"});
}

// ---- Lifetimes during dispatch ----

TEST_F(EventsTest, HandlerFreeingItsControlDestroysItAfterTheDispatch) {
  TWinControl* form = NewForm(nullptr, "Freed");
  HWND w = form->GetHandle();
  form->BaseWndProc = RecordingDefault;
  form->OnDestroy = {LogDestroyed, nullptr};
  form->SetOnMouseUp(
      [](void*, TWinControl* sender, MouseRecord&) {
        Log.push_back("freeing");
        Free(sender);
        Log.push_back(sender->RefCount & 1 ? "still alive" : "gone");
      },
      nullptr);
  SendMessageA(w, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(Log, (Names{"freeing", "still alive", "destroyed"}));
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP));
  EXPECT_FALSE(IsWindow(w));
}

// The receiver of a form's events is auto-freed by the form, so it goes before the window
// does; the window's last messages must not reach the freed receiver.
TEST_F(EventsTest, EventsOfAFreedReceiverAreNotRaised) {
  struct Receiver {
    bool Freed = false;
    int CallsAfterFree = 0;
  } receiver;
  TWinControl* form = NewForm(nullptr, "Receiver");
  form->GetHandle();
  form->OnMessage = {[](void* data, MessageRecord&, LRESULT&) {
                       Receiver* r = static_cast<Receiver*>(data);
                       if (r->Freed) r->CallsAfterFree++;
                       return false;
                     },
                     &receiver};
  AddProcToAutoFree(form, [](void* data) { static_cast<Receiver*>(data)->Freed = true; },
                    &receiver);
  Free(form);
  EXPECT_TRUE(receiver.Freed);
  EXPECT_EQ(receiver.CallsAfterFree, 0);
}

// ---- Keys and mouse ----

std::string Key(const char* what, int key, DWORD shift) {
  return std::string(what) + " " + std::to_string(key) + " shift " + std::to_string(shift);
}
// The receiver, when set, asks for the key to be swallowed.
void LogKeyDown(void* swallow, TWinControl*, int& key, DWORD shift) {
  Log.push_back(Key("down", key, shift));
  if (swallow) key = 0;
}
void LogKeyUp(void*, TWinControl*, int& key, DWORD shift) { Log.push_back(Key("up", key, shift)); }

TEST_F(EventsTest, KeyEventsGetTheShiftStateAndOnlySwallowedKeysSkipDefaultProcessing) {
  TWinControl* form = Form();
  form->SetOnKeyDown(LogKeyDown, nullptr);
  form->SetOnKeyUp(LogKeyUp, nullptr);
  SetKeys({VK_SHIFT, VK_CONTROL});
  Send(form, WM_KEYDOWN, VK_F5);
  SetKeys({VK_MENU});  // keys pressed with Alt come as system keys
  Send(form, WM_SYSKEYDOWN, 'Q', 0x20000000);
  Send(form, WM_SYSKEYUP, 'Q', 0xE0000000);
  SetKeys({});
  Send(form, WM_KEYUP, 'R');
  EXPECT_EQ(Log, (Names{Key("down", VK_F5, 4 | 8), Key("down", 'Q', 0x20), Key("up", 'Q', 0x20),
                        Key("up", 'R', 0)}));
  for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP})
    EXPECT_TRUE(ReachedDefault(message)) << message;

  // A key set to 0 is swallowed.
  Defaults.clear();
  form->SetOnKeyDown(LogKeyDown, form);
  EXPECT_EQ(Send(form, WM_KEYDOWN, VK_F5), 0);
  EXPECT_EQ(Log.back(), Key("down", VK_F5, 0));
  EXPECT_FALSE(ReachedDefault(WM_KEYDOWN));
}

std::string Mouse(int button, int x, int y, DWORD shift) {
  return "button " + std::to_string(button) + " at " + std::to_string(x) + "," +
         std::to_string(y) + " shift " + std::to_string(shift);
}
// The receiver, when set, marks the message handled.
void LogMouseUp(void* stop, TWinControl*, MouseRecord& m) {
  Log.push_back(Mouse(m.Button, m.X, m.Y, m.Shift));
  m.StopHandling = stop != nullptr;
}
// The wheel delta is the signed high word of Shift.
void LogWheel(void*, TWinControl*, MouseRecord& m) {
  Log.push_back("wheel " + std::to_string(static_cast<SHORT>(HIWORD(m.Shift))) + " button " +
                std::to_string(m.Button) + " shift " + std::to_string(LOWORD(m.Shift)));
}

TEST_F(EventsTest, MouseEventsGiveTheButtonSignedPositionsAndWheelDelta) {
  TWinControl* form = Form();
  form->SetOnMouseUp(LogMouseUp, nullptr);
  form->SetOnMouseWheel(LogWheel, nullptr);
  for (UINT message : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) {
    Send(form, message, MK_SHIFT, MAKELPARAM(-5, -7));
    EXPECT_TRUE(ReachedDefault(message)) << message;
  }
  Send(form, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 200));
  SetKeys({VK_MENU});
  Send(form, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(100, 200));
  SetKeys({});
  Defaults.clear();
  form->SetOnMouseUp(LogMouseUp, form);
  Send(form, WM_LBUTTONUP, 0, MAKELPARAM(30000, 2));
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP));
  EXPECT_EQ(Log, (Names{Mouse(1, -5, -7, MK_SHIFT), Mouse(2, -5, -7, MK_SHIFT),
                        Mouse(3, -5, -7, MK_SHIFT), "wheel 120 button 0 shift 0",
                        "wheel -120 button 0 shift 32", Mouse(1, 30000, 2, 0)}));
}

// ---- Show and close ----

TEST_F(EventsTest, OnShowOnlyWhenAHiddenWindowIsShown) {
  TWinControl* form = Form();
  form->SetOnShow([](void*, TWinObject*) { Log.push_back("show"); }, nullptr);
  form->OnHide = {[](void*, TWinObject*) { Log.push_back("hide"); }, nullptr};
  ShowWindow(form->Handle, SW_SHOWNOACTIVATE);
  EXPECT_EQ(Log, Names{"show"});
  EXPECT_TRUE(form->Visible);
  Send(form, WM_SHOWWINDOW, TRUE);  // already visible
  EXPECT_EQ(Log, Names{"show"});

  ShowWindow(form->Handle, SW_HIDE);
  Send(form, WM_SHOWWINDOW, FALSE);  // already hidden
  EXPECT_EQ(Log, (Names{"show", "hide"}));
  EXPECT_FALSE(form->Visible);
}

TEST_F(EventsTest, CloseOfTheMainWindowPostsQuitWhenAcceptedAndNeverDestroysIt) {
  TWinControl* form = Form();
  MainWindow = form;
  AppRunning = true;
  int queries = 0;
  form->OnCloseQuery = {CountAndRefuse, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(queries, 2) << "a refusal while running keeps the query";
  EXPECT_FALSE(TakeQuit());

  form->OnCloseQuery = {CountQuery, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(queries, 3);
  EXPECT_FALSE(form->OnCloseQuery.Assigned());
  EXPECT_TRUE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
  EXPECT_FALSE(ReachedDefault(WM_CLOSE));
}

// ---- The loop ----

TEST_F(EventsTest, MessagesBehindQuitAreStillDispatched) {
  TWinControl* form = Form();
  form->OnMessage = {[](void*, MessageRecord& m, LRESULT&) {
                       if (m.Message == Probe) Log.push_back(AppTerminated ? "after" : "before");
                       return false;
                     },
                     nullptr};
  PostMessageA(form->Handle, Probe, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  ProcessMessages(form);
  EXPECT_TRUE(AppTerminated);
  EXPECT_EQ(Log, (Names{"before", "after", "after"}));
}

// The loop runs once per process: this test stays last.
TEST_F(EventsTest, RunEndsOnAnAcceptedCloseAndDestroysTheForm) {
  TWinControl* form = NewForm(nullptr, "Form1");
  TWinControl* box = NewPaintBox(form);
  HWND w = form->GetHandle();
  HWND boxWindow = box->Handle;
  TWinObject* owned = NewObject<TWinObject>();
  owned->OnDestroy = {LogDestroyed, nullptr};
  AddToAutoFree(form, owned);
  int queries = 0;
  form->OnCloseQuery = {CountQuery, &queries};
  PostMessageA(w, WM_CLOSE, 0, 0);

  TWinControl* variable = form;
  ::Run(variable);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(queries, 1);
  EXPECT_EQ(Log, Names{"destroyed"});
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(boxWindow));
  EXPECT_FALSE(AppRunning);
  EXPECT_EQ(MainWindow, nullptr);
}

}  // namespace
