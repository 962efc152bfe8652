#include "main.h"

#include "uShellWindowSupport.h"
#include "winobj/events.h"
#include "winobj/paint.h"
#include "winobj/utils.h"

TSwitcher* Switcher = nullptr;
int ExitCode = 0;

TSwitcher::~TSwitcher() {
  for (TFlipDeckEntry* entry : Entries) delete entry;
  delete Painter;
  if (Switcher == this) Switcher = nullptr;
}

// An icon answer for a row of the shown list: it is painted at once.
static void IconArrived(void* receiver, HWND window) {
  TSwitcher* s = static_cast<TSwitcher*>(receiver);
  if (!s->Form->IsVisible()) return;
  for (const TFlipDeckEntry* entry : s->Entries)
    if (entry->Handle == window) return s->Form->Invalidate();
}

// The loop has nothing else to do: the list is painted and no key waits.
static void AskIconsWhenIdle(TWinControl*) {
  if (Switcher) Switcher->Icons.AskQueued();
}

void TSwitcher::Initialize() {
  HandOverMessage = RegisterWindowMessageA("FlipDeckSuizideMessage");
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  Entries.clear();
  Painter = new TFlipDeckPainter();
  Painter->Icons = &Icons;
  CenterY = ScreenHeight() / 2;
  CenterX = ScreenWidth() / 2;
  SortAlphabetically = false;
  ReadOptions();
  // Applied again so the painter's messages follow the controller's own.
  Painter->ReadOptions();
  ChooseMonitor();
  Form->SetAlpha(static_cast<DWORD>(Painter->Transparency));
  CloseGuard = false;
  Icons.OnArrived = IconArrived;
  Icons.Receiver = this;
  IdleHook = AskIconsWhenIdle;
}

// Both hotkeys or neither: an older copy gives up both at once.
static bool TakeHotKeys(HWND window) {
  bool next = RegisterHotKey(window, 1, MOD_ALT, VK_TAB);
  bool previous = RegisterHotKey(window, 2, MOD_ALT | MOD_SHIFT, VK_TAB);
  if (next && previous) return true;
  if (next) UnregisterHotKey(window, 1);
  if (previous) UnregisterHotKey(window, 2);
  return false;
}

void TSwitcher::Start() {
  PostMessageA(HWND_BROADCAST, HandOverMessage, reinterpret_cast<WPARAM>(Form->Handle), 0);
  // Gives the older copy time to close and free the hotkeys.
  Sleep(300);
  if (!TakeHotKeys(Form->Handle)) {
    // An older copy slow to quit: nothing tells when it has let go, so ask again for a
    // few seconds.
    HotKeyDeadline = GetTickCount() + HotKeyWait;
    SetTimer(Form->Handle, HotKeyTimer, 100, nullptr);
    return;
  }
  StartSwitching();
}

void TSwitcher::RetryHotKeys() {
  if (TakeHotKeys(Form->Handle)) {
    KillTimer(Form->Handle, HotKeyTimer);
    StartSwitching();
    return;
  }
  if (static_cast<int>(GetTickCount() - HotKeyDeadline) < 0) return;
  // A copy without the hotkeys would do nothing at all: leave the one that has them.
  KillTimer(Form->Handle, HotKeyTimer);
  ShowError("Another program holds Alt+Tab, so FlipDeck cannot take it over and quits.");
  ExitCode = 1;
  Form->Close();
}

void TSwitcher::StartSwitching() {
  ShellHookMessage = RegisterWindowMessageA("SHELLHOOK");
  ShellHookRegistered = RegisterShellHookWindow(Form->Handle) != FALSE;
  TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  if (UseTrayIcon) TrayIcon.Add(Form->Handle);
  Refresh();
}

void BuildSwitcher() {
  Switcher = NewObject<TSwitcher>();
  TWinControl* form = NewForm(nullptr, "Form1");
  form->SetPosition(144, 171)->SetClientSize(1080, 723);
  Switcher->Form = form;
  Switcher->Initialize();
  MainWindow = form;
  AddToAutoFree(form, Switcher);
  SetBufferedPaint(form, true);
  form->SetHasBorder(false);
  form->SetStayOnTop(true);
  form->Margin = 0;

  TWinControl* paintBox = NewPaintBox(form)->SetAlign(5);
  Switcher->PaintBox = paintBox;
  paintBox->Margin = 2;
  SetBufferedPaint(paintBox, true);
}

void WireSwitcherEvents() {
  TWinControl* form = Switcher->Form;
  form->OnMessage = {FormMessage, Switcher};
  form->OnCloseQuery = {FormCloseQuery, Switcher};
  form->SetOnMouseWheel(FormMouseWheel, Switcher);
  form->SetOnKeyDown(FormKeyDown, Switcher);
  form->SetOnKeyUp(FormKeyUp, Switcher);
  form->SetOnShow(FormShow, Switcher);

  TWinControl* paintBox = Switcher->PaintBox;
  paintBox->SetOnMouseUp(PaintBoxMouseUp, Switcher);
  SetOnPaint(paintBox, PaintBoxPaint, Switcher);
}

void CreateSwitcher() {
  BuildSwitcher();
  WireSwitcherEvents();
  Switcher->Start();
}
