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

std::vector<std::string> Log;
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

bool SwallowAll(void*, MessageRecord& m, LRESULT&) {
  return m.Message == WM_GETTEXTLENGTH || m.Message == WM_LBUTTONUP || m.Message == WM_KEYDOWN;
}

void LogMouse(void*, TWinControl*, MouseRecord&) { Log.push_back("mouse"); }
void LogKey(void*, TWinControl*, int&, DWORD) { Log.push_back("key"); }
bool LogHandler(TWinControl*, MessageRecord& m, LRESULT&) {
  UINT seen[] = {WM_GETTEXTLENGTH, WM_LBUTTONUP, WM_KEYDOWN, WM_KEYUP};
  if (std::find(std::begin(seen), std::end(seen), m.Message) != std::end(seen))
    Log.push_back("handler");
  return false;
}

TEST_F(EventsTest, OnMessageReportingHandledReturnsZeroAndStopsEverythingElse) {
  TWinControl* form = Form("Five!");
  EXPECT_EQ(Send(form, WM_GETTEXTLENGTH), 5);
  Defaults.clear();

  form->OnMessage = {SwallowAll, nullptr};
  form->SetOnMouseUp(LogMouse, nullptr);
  form->SetOnKeyDown(LogKey, nullptr);
  AttachHandler(form, LogHandler);
  EXPECT_EQ(Send(form, WM_GETTEXTLENGTH), 0);
  EXPECT_EQ(Send(form, WM_LBUTTONUP, 0, MAKELPARAM(3, 4)), 0);
  EXPECT_EQ(Send(form, WM_KEYDOWN, 'A'), 0);
  EXPECT_TRUE(Log.empty());
  EXPECT_FALSE(ReachedDefault(WM_GETTEXTLENGTH));
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP));
  EXPECT_FALSE(ReachedDefault(WM_KEYDOWN));

  Send(form, WM_KEYUP, 'A');  // not swallowed: reaches the handler and default processing
  EXPECT_EQ(Log, std::vector<std::string>{"handler"});
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
void CountCloseQuery(void* count, TWinControl*, bool&) { ++*static_cast<int*>(count); }

TEST_F(EventsTest, LaterHandlersAreAskedFirstAndHandledHidesTheRest) {
  TWinControl* form = Form();
  AttachHandler(form, First);
  AttachHandler(form, Second);
  AttachHandler(form, First);  // attached once only
  Send(form, Probe);
  EXPECT_EQ(Log, (std::vector<std::string>{"second", "first"}));
  EXPECT_TRUE(ReachedDefault(Probe));

  Log.clear();
  int queries = 0;
  form->OnCloseQuery = {CountCloseQuery, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 7);
  EXPECT_EQ(Log, std::vector<std::string>{"second"});
  EXPECT_EQ(queries, 0);
  EXPECT_FALSE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
}

bool LogMain(void*, MessageRecord& m, LRESULT&) {
  if (m.Message == Probe) Log.push_back(m.LParam ? "main, handled" : "main");
  return m.Message == Probe && m.LParam;
}
bool LogOwn(void* name, MessageRecord& m, LRESULT&) {
  if (m.Message == Probe) Log.push_back(static_cast<const char*>(name));
  return false;
}

TEST_F(EventsTest, MainWindowSeesItsChildsMessagesOnlyWhileRunning) {
  TWinControl* main = NewForm(nullptr, "Main");
  TWinControl* other = NewPaintBox(main);
  main->GetHandle();
  forms.push_back(main);
  ASSERT_TRUE(other->Handle);
  MainWindow = main;
  main->OnMessage = {LogMain, nullptr};
  other->OnMessage = {LogOwn, const_cast<char*>("other")};

  Send(other, Probe);
  EXPECT_EQ(Log, std::vector<std::string>{"other"});

  Log.clear();
  AppRunning = true;
  Send(other, Probe);
  Send(other, Probe, 0, 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"main", "other", "main, handled"}));

  // Its own messages reach it once.
  Log.clear();
  Send(main, Probe);
  EXPECT_EQ(Log, std::vector<std::string>{"main"});
}

void FreeSender(void*, TWinControl* sender, MouseRecord&) {
  Log.push_back("freeing");
  Free(sender);
  Log.push_back(sender->RefCount & 1 ? "still alive" : "gone");
}
void LogDestroyed(void*, TWinObject*) { Log.push_back("destroyed"); }

TEST_F(EventsTest, HandlerFreeingItsControlDestroysItAfterTheDispatch) {
  TWinControl* form = NewForm(nullptr, "Freed");
  HWND w = form->GetHandle();
  form->BaseWndProc = RecordingDefault;
  form->OnDestroy = {LogDestroyed, nullptr};
  form->SetOnMouseUp(FreeSender, nullptr);
  SendMessageA(w, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(Log, (std::vector<std::string>{"freeing", "still alive", "destroyed"}));
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP));
  EXPECT_FALSE(IsWindow(w));
}

// The receiver of a form's events is auto-freed by the form, so it goes before the window
// does; the window's last messages must not reach the freed receiver.
struct Receiver {
  bool Freed = false;
  int CallsAfterFree = 0;
};
bool CountAfterFree(void* data, MessageRecord&, LRESULT&) {
  Receiver* receiver = static_cast<Receiver*>(data);
  if (receiver->Freed) receiver->CallsAfterFree++;
  return false;
}
void MarkFreed(void* data) { static_cast<Receiver*>(data)->Freed = true; }

TEST_F(EventsTest, EventsOfAFreedReceiverAreNotRaised) {
  Receiver receiver;
  TWinControl* form = NewForm(nullptr, "Receiver");
  form->GetHandle();
  form->OnMessage = {CountAfterFree, &receiver};
  AddProcToAutoFree(form, MarkFreed, &receiver);
  Free(form);
  EXPECT_TRUE(receiver.Freed);
  EXPECT_EQ(receiver.CallsAfterFree, 0);
}

// ---- Keys ----

struct KeySeen {
  int Key = -1;
  DWORD Shift = 0;
  int Count = 0;
};
KeySeen Down, Up;

void RecordDown(void* swallow, TWinControl*, int& key, DWORD shift) {
  Down = {key, shift, Down.Count + 1};
  if (swallow) key = 0;
}
void RecordUp(void*, TWinControl*, int& key, DWORD shift) { Up = {key, shift, Up.Count + 1}; }

TEST_F(EventsTest, KeyHandlerSwallowsAKeyBySettingItToZero) {
  TWinControl* form = Form();
  Down = Up = {};
  form->SetOnKeyDown(RecordDown, nullptr);
  Send(form, WM_KEYDOWN, VK_F5);
  EXPECT_EQ(Down.Key, VK_F5);
  EXPECT_TRUE(ReachedDefault(WM_KEYDOWN));

  Defaults.clear();
  form->SetOnKeyDown(RecordDown, form);
  EXPECT_EQ(Send(form, WM_KEYDOWN, VK_F5), 0);
  EXPECT_EQ(Down.Count, 2);
  EXPECT_FALSE(ReachedDefault(WM_KEYDOWN));
}

TEST_F(EventsTest, SystemKeysRaiseKeyDownAndKeyUpWithTheShiftState) {
  TWinControl* form = Form();
  Down = Up = {};
  form->SetOnKeyDown(RecordDown, nullptr);
  form->SetOnKeyUp(RecordUp, nullptr);

  SetKeys({VK_MENU});
  Send(form, WM_SYSKEYDOWN, 'Q', 0x20000000);
  Send(form, WM_SYSKEYUP, 'Q', 0xE0000000);
  EXPECT_EQ(Down.Count, 1);
  EXPECT_EQ(Down.Key, 'Q');
  EXPECT_EQ(Down.Shift, 0x20u);
  EXPECT_EQ(Up.Count, 1);
  EXPECT_EQ(Up.Key, 'Q');
  EXPECT_EQ(Up.Shift, 0x20u);

  SetKeys({VK_SHIFT, VK_CONTROL});
  Send(form, WM_KEYDOWN, 'R');
  EXPECT_EQ(Down.Shift, 4u | 8u);
  SetKeys({});
  Send(form, WM_KEYUP, 'R');
  EXPECT_EQ(Up.Shift, 0u);
}

TEST_F(EventsTest, TabCharacterWithoutCtrlOrAltIsDropped) {
  TWinControl* form = Form();
  EXPECT_EQ(Send(form, WM_CHAR, VK_TAB), 0);
  EXPECT_FALSE(ReachedDefault(WM_CHAR));
  Send(form, WM_CHAR, 'a');
  EXPECT_TRUE(ReachedDefault(WM_CHAR));

  Defaults.clear();
  SetKeys({VK_MENU});
  Send(form, WM_CHAR, VK_TAB);
  EXPECT_TRUE(ReachedDefault(WM_CHAR));
}

// ---- Mouse ----

MouseRecord Seen;
int MouseCalls = 0;
void RecordMouse(void* stop, TWinControl*, MouseRecord& mouse) {
  Seen = mouse;
  MouseCalls++;
  mouse.StopHandling = stop != nullptr;
}

TEST_F(EventsTest, MouseUpGivesSignedCoordinatesAndTheButton) {
  TWinControl* form = Form();
  form->SetOnMouseUp(RecordMouse, nullptr);
  const struct {
    UINT Message;
    BYTE Button;
  } buttons[] = {{WM_LBUTTONUP, 1}, {WM_RBUTTONUP, 2}, {WM_MBUTTONUP, 3}};
  for (auto b : buttons) {
    Seen = {};
    Send(form, b.Message, MK_SHIFT, MAKELPARAM(-5, -7));
    EXPECT_EQ(Seen.Button, b.Button);
    EXPECT_EQ(Seen.X, -5);
    EXPECT_EQ(Seen.Y, -7);
    EXPECT_EQ(Seen.Shift, static_cast<DWORD>(MK_SHIFT));
    EXPECT_TRUE(ReachedDefault(b.Message));
  }

  Defaults.clear();
  form->SetOnMouseUp(RecordMouse, form);
  Send(form, WM_LBUTTONUP, 0, MAKELPARAM(30000, 2));
  EXPECT_EQ(Seen.X, 30000);
  EXPECT_FALSE(ReachedDefault(WM_LBUTTONUP));
}

TEST_F(EventsTest, WheelDeltaIsSignedAndAltSetsBit0x20) {
  TWinControl* form = Form();
  MouseCalls = 0;
  form->SetOnMouseWheel(RecordMouse, nullptr);
  Send(form, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 200));
  EXPECT_EQ(static_cast<SHORT>(HIWORD(Seen.Shift)), 120);
  EXPECT_EQ(Seen.Shift & 0x20, 0u);
  EXPECT_EQ(Seen.Button, 0);

  SetKeys({VK_MENU});
  Send(form, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(100, 200));
  EXPECT_EQ(static_cast<SHORT>(HIWORD(Seen.Shift)), -120);
  EXPECT_EQ(Seen.Shift & 0x20, 0x20u);
  EXPECT_EQ(MouseCalls, 2);
}

// ---- Show ----

void LogShow(void*, TWinObject*) { Log.push_back("show"); }
void LogHide(void*, TWinObject*) { Log.push_back("hide"); }

TEST_F(EventsTest, OnShowOnlyWhenAHiddenWindowIsShown) {
  TWinControl* form = Form();
  form->SetOnShow(LogShow, nullptr);
  form->OnHide = {LogHide, nullptr};
  ShowWindow(form->Handle, SW_SHOWNOACTIVATE);
  EXPECT_EQ(Log, std::vector<std::string>{"show"});
  EXPECT_TRUE(form->Visible);
  Send(form, WM_SHOWWINDOW, TRUE);  // already visible
  EXPECT_EQ(Log, std::vector<std::string>{"show"});

  ShowWindow(form->Handle, SW_HIDE);
  Send(form, WM_SHOWWINDOW, FALSE);  // already hidden
  EXPECT_EQ(Log, (std::vector<std::string>{"show", "hide"}));
  EXPECT_FALSE(form->Visible);
}

// ---- Close ----

void Accept(void* count, TWinControl*, bool&) { ++*static_cast<int*>(count); }
void Refuse(void* count, TWinControl*, bool& accept) {
  ++*static_cast<int*>(count);
  accept = false;
}

TEST_F(EventsTest, AcceptedCloseOfTheMainWindowPostsQuitInsteadOfDestroying) {
  TWinControl* form = Form();
  MainWindow = form;
  AppRunning = true;
  int queries = 0;
  form->OnCloseQuery = {Accept, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(queries, 1);
  EXPECT_FALSE(form->OnCloseQuery.Assigned());
  EXPECT_TRUE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
  EXPECT_FALSE(ReachedDefault(WM_CLOSE));
}

TEST_F(EventsTest, RefusedCloseKeepsTheQueryWhileRunning) {
  TWinControl* form = Form();
  MainWindow = form;
  AppRunning = true;
  int queries = 0;
  form->OnCloseQuery = {Refuse, &queries};
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(Send(form, WM_CLOSE), 0);
  EXPECT_EQ(queries, 2);
  EXPECT_TRUE(form->OnCloseQuery.Assigned());
  EXPECT_FALSE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));

  // Outside the loop a refusal is asked only once.
  AppRunning = false;
  Send(form, WM_CLOSE);
  EXPECT_EQ(queries, 3);
  EXPECT_FALSE(form->OnCloseQuery.Assigned());
  EXPECT_FALSE(TakeQuit());
  EXPECT_TRUE(IsWindow(form->Handle));
}

TEST_F(EventsTest, FocusToAFormWithoutFocusedControlIsDroppedWithZero) {
  TWinControl* main = Form("Main");
  TWinControl* form = Form();
  MainWindow = main;
  EXPECT_EQ(Send(form, WM_SETFOCUS), 0);
  EXPECT_FALSE(ReachedDefault(WM_SETFOCUS));
  EXPECT_EQ(main->FocusedControl, form);
  main->FocusedControl = nullptr;
}

// ---- The loop ----

bool NoteTerminated(void*, MessageRecord& m, LRESULT&) {
  if (m.Message == Probe) Log.push_back(AppTerminated ? "after quit" : "before quit");
  return false;
}

TEST_F(EventsTest, MessagesBehindQuitAreStillDispatched) {
  TWinControl* form = Form();
  form->OnMessage = {NoteTerminated, nullptr};
  PostMessageA(form->Handle, Probe, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  PostMessageA(form->Handle, Probe, 0, 0);
  ProcessMessages(form);
  EXPECT_TRUE(AppTerminated);
  EXPECT_EQ(Log, (std::vector<std::string>{"before quit", "after quit", "after quit"}));
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
  form->OnCloseQuery = {Accept, &queries};
  PostMessageA(w, WM_CLOSE, 0, 0);

  TWinControl* variable = form;
  ::Run(variable);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(queries, 1);
  EXPECT_EQ(Log, std::vector<std::string>{"destroyed"});
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(boxWindow));
  EXPECT_FALSE(AppRunning);
  EXPECT_EQ(MainWindow, nullptr);
}

}  // namespace
