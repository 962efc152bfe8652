// A busy program in the list: Wine answers icon questions between processes at once but
// delivers them between threads of one process, so the switcher is the shipping code built
// in this process and the busy window belongs to another of its threads, which sleeps for
// a second at each press. Times from the hotkey to the first paint of the list and from
// the Alt release to the switch being made (to that window), each against the same press
// with the thread idle; among 50 windows of another process.
#include "farm.h"
#include "figures.h"
#include "main.h"
#include "winobj/events.h"
#include "winobj/paint.h"
#include "wait.h"

namespace {

const int kRounds = 5;
const UINT kBeBusy = WM_APP + 1;

int paintEvents = 0;

void PaintListOnly(void* receiver, TWinControl*, HDC) {
  ++paintEvents;
  static_cast<TSwitcher*>(receiver)->PaintEntries();
}

// One window on a thread of its own; kBeBusy makes the thread sleep for a second, with
// Busy set from just before it sleeps until it wakes.
struct BusyThread {
  HWND window = 0;
  HANDLE busy = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = 0;

  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_GETICON) return reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_ERROR));
    return DefWindowProcA(w, m, wp, lp);
  }
  static DWORD WINAPI Run(void* self) {
    BusyThread* t = static_cast<BusyThread*>(self);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BusyBenchWindow";
    RegisterClassA(&wc);
    t->window = CreateWindowExA(0, wc.lpszClassName, "Busy program", WS_OVERLAPPEDWINDOW, 20, 20,
                                300, 200, 0, 0, wc.hInstance, 0);
    ShowWindow(t->window, SW_SHOWNOACTIVATE);
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
      if (m.message == kBeBusy) {
        SetEvent(t->busy);
        Sleep(1000);
        ResetEvent(t->busy);
        continue;
      }
      DispatchMessageA(&m);
    }
    DestroyWindow(t->window);
    return 0;
  }
  bool Start() {
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return WaitUntil([&] { return window != 0; }, 5000);
  }
  ~BusyThread() {
    PostThreadMessageA(GetThreadId(thread), WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(busy);
  }
};

struct Press {
  double paintMs, switchMs;
};

Press PressOnce(BusyThread& program, bool busy) {
  Press press = {-1, -1};
  if (busy) {
    PostMessageA(program.window, kBeBusy, 0, 0);
    if (WaitForSingleObject(program.busy, 5000) != WAIT_OBJECT_0) return press;
  }
  paintEvents = 0;
  const double pressed = NowMs();
  Switcher->HandleHotKey(1);
  // The program's own loop: the idle pass asks for icons once nothing else waits.
  while (!paintEvents) {
    MSG m;
    if (!PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
      IdleHook(Switcher->Form);
      WaitMessage();
      continue;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  press.paintMs = NowMs() - pressed;
  // The questions of the list go out, the busy window's among them, before the release.
  IdleHook(Switcher->Form);
  // The busy window is the one to switch to.
  for (TFlipDeckEntry* entry : Switcher->Entries) entry->Selected = entry->Handle == program.window;
  int key = VK_MENU;
  press.switchMs = Time([&] { FormKeyUp(Switcher, Switcher->Form, key, 0); });
  // The next press starts from a quiet desktop: the thread awake and every answer in.
  WaitUntil([&] { return WaitForSingleObject(program.busy, 0) != WAIT_OBJECT_0; }, 5000);
  PumpFor(50);
  return press;
}

}  // namespace

int main() {
  WindowFarm farm;
  if (!farm.Open(50, "Window")) {
    Note("busy: the window farm did not start");
    return 1;
  }
  BusyThread program;
  if (!program.Start()) {
    Note("busy: the busy window did not appear");
    return 1;
  }
  BuildSwitcher();
  WireSwitcherEvents();
  SetOnPaint(Switcher->PaintBox, PaintListOnly, Switcher);
  Samples idlePaint, idleSwitch, busyPaint, busySwitch;
  for (int round = 0; round < kRounds; ++round) {
    Press idle = PressOnce(program, false);
    Press busy = PressOnce(program, true);
    if (idle.paintMs < 0 || busy.paintMs < 0) {
      Note("busy: a press failed");
      return 1;
    }
    idlePaint.Add(idle.paintMs);
    idleSwitch.Add(idle.switchMs);
    busyPaint.Add(busy.paintMs);
    busySwitch.Add(busy.switchMs);
  }
  Row("Busy window listed: Alt+Tab to first paint, busy vs idle (median)",
      Format("%.1f ms vs %.1f ms", busyPaint.Median(), idlePaint.Median()),
      "as fast as without it", Verdict(busyPaint.Median() <= 2 * idlePaint.Median() + 1));
  Row("Busy window listed: Alt release to its switch, busy vs idle (median)",
      Format("%.2f ms vs %.2f ms", busySwitch.Median(), idleSwitch.Median()),
      "as fast as without it", Verdict(busySwitch.Median() <= 2 * idleSwitch.Median() + 1));
  return 0;
}
