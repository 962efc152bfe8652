#include "main.h"

#include "uShellWindowSupport.h"
#include "winobj/events.h"
#include "winobj/paint.h"

TSwitcher* Switcher = nullptr;

TSwitcher::~TSwitcher() {
  for (TFlipDeckEntry* entry : Entries) delete entry;
  delete Painter;
  if (Switcher == this) Switcher = nullptr;
}

void TSwitcher::Initialize() {
  HandOverMessage = RegisterWindowMessageA("FlipDeckSuizideMessage");
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  Entries.clear();
  FlashingWindows.clear();
  InWheelScroll = false;
  Painter = new TFlipDeckPainter();
  CenterY = ScreenHeight() / 2;
  CenterX = ScreenWidth() / 2;
  SortAlphabetically = false;
  ReadOptions();
  // Applied again so the painter's messages follow the controller's own.
  Painter->ReadOptions();
  Form->SetAlpha(static_cast<DWORD>(Painter->Transparency));
  CloseGuard = false;
}

void TSwitcher::Start() {
  PostMessageA(HWND_BROADCAST, HandOverMessage, reinterpret_cast<WPARAM>(Form->Handle), 0);
  // Gives the older copy time to close and free the hotkeys.
  Sleep(300);
  RegisterHotKey(Form->Handle, 1, MOD_ALT, VK_TAB);
  RegisterHotKey(Form->Handle, 2, MOD_ALT | MOD_SHIFT, VK_TAB);
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
