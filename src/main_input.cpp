#include <algorithm>

#include "dpi.h"
#include "labels.h"
#include "main.h"
#include "winobj/events.h"

static TSwitcher* SwitcherOf(void* receiver) { return static_cast<TSwitcher*>(receiver); }

static void HandleShellHook(TSwitcher* s, WPARAM code, HWND window) {
  if (code == HSHELL_WINDOWDESTROYED) {
    // A window closed from the list, or any other listed one: it is hidden by now, so a
    // new enumeration leaves it out.
    bool listed = std::any_of(s->Entries.begin(), s->Entries.end(),
                              [&](const TFlipDeckEntry* entry) { return entry->Handle == window; });
    if (listed && s->Form->IsVisible()) s->RefreshKeepingSelection();
    return;
  }
  if (code == HSHELL_WINDOWACTIVATED || code == HSHELL_RUDEAPPACTIVATED) {
    s->FlashingWindows.Forget(window);
    return;
  }
  if (code == HSHELL_FLASH) s->FlashingWindows.Mark(window);
}

// The list is losing the activation to a window being activated: hiding it with ShowWindow
// now, while it is still the active window, would activate the window below it as well,
// and under Wine that one can end up in front.
static void HideGivingWay(TWinControl* form) {
  SetWindowPos(form->Handle, 0, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  form->Hide();
}

bool FormMessage(void* receiver, MessageRecord& m, LRESULT&) {
  TSwitcher* s = SwitcherOf(receiver);
  switch (m.Message) {
    case WM_ACTIVATE:
      if (m.WParam == WA_INACTIVE) HideGivingWay(s->Form);
      return true;
    case WM_HOTKEY:
      s->HandleHotKey(m.WParam);
      return true;
    case TSwitcher::SwallowedMessage:
      return true;
    case WM_TIMER:
      if (m.WParam == TSwitcher::HotKeyTimer) {
        s->RetryHotKeys();
        return true;
      }
      if (m.WParam != TSwitcher::CloseCheckTimer) return false;
      s->CheckClosedWindows();
      return true;
    case WM_DPICHANGED:
      // Moved onto a monitor of another scale by something else than AdjustBounds, which
      // lays out at the scale of the monitor it moves to.
      if (HIWORD(m.WParam) != s->Painter->Sizes.Dpi) {
        s->ChooseMonitor();
        s->AdjustBounds();
        s->Form->Invalidate();
      }
      return true;
    case TrayIconMessage:
      // At the default version of the icon the keyboard's menu key comes as a right-button
      // release too.
      if (m.LParam == WM_RBUTTONUP) s->ShowTrayMenu();
      return true;
  }
  if (m.Message == s->TaskbarCreatedMessage) {
    s->TrayIcon.AddAgain();
    return false;
  }
  if (m.Message == s->HandOverMessage) {
    // A newer copy started; its own broadcast comes back to it too.
    // Compared as 32-bit values, so that 32-bit and 64-bit copies hand over to each other.
    if (static_cast<DWORD>(m.WParam) !=
        static_cast<DWORD>(reinterpret_cast<UINT_PTR>(s->Form->Handle)))
      s->Form->Close();
    return false;
  }
  if (m.Message == s->ShellHookMessage)
    HandleShellHook(s, m.WParam, reinterpret_cast<HWND>(m.LParam));
  return false;
}

void TSwitcher::HandleHotKey(WPARAM id) {
  if (id != 1 && id != 2) return;
  if (!Form->IsVisible() || !Form->IsForeground()) Refresh();
  MoveSelection(id == 1 ? 1 : -1);
}

int TSwitcher::SelectedIndex() {
  for (size_t i = 0; i < Entries.size(); i++)
    if (Entries[i]->Selected) return static_cast<int>(i);
  return -1;
}

void TSwitcher::MoveSelection(int steps) {
  int i = SelectedIndex();
  if (i == -1) return;
  const int count = static_cast<int>(Entries.size());
  Entries[i]->Selected = false;
  Entries[((i + steps) % count + count) % count]->Selected = true;
  Form->Invalidate();
}

void TSwitcher::ActivateEntry(TFlipDeckEntry* entry) {
  HWND window = entry->Handle;
  entry->Activate();
  FlashingWindows.Forget(window);
  Form->Hide();
}

void TSwitcher::ActivateSelected() {
  int i = SelectedIndex();
  if (i == -1) {
    Form->Hide();
    return;
  }
  ActivateEntry(Entries[i]);
}

// The arrows Left and Right move by this many rows.
static const int ArrowStride = 3;

void FormKeyDown(void* receiver, TWinControl*, int& key, DWORD) {
  TSwitcher* s = SwitcherOf(receiver);
  switch (key) {
    case VK_UP: s->MoveSelection(-1); break;
    case VK_DOWN: s->MoveSelection(1); break;
    case VK_LEFT: s->MoveSelection(-ArrowStride); break;
    case VK_RIGHT: s->MoveSelection(ArrowStride); break;
    case VK_F4: s->CloseGuard = true; break;
    case VK_DELETE: {
      int i = s->SelectedIndex();
      if (i != -1) s->CloseEntry(s->Entries[i]);
      break;
    }
  }
}

void FormKeyUp(void* receiver, TWinControl*, int& key, DWORD) {
  TSwitcher* s = SwitcherOf(receiver);
  switch (key) {
    case VK_MENU:
    case VK_RETURN:
      s->ActivateSelected();
      return;
    case VK_ESCAPE:
      s->Form->Hide();
      return;
  }
  int index = LabelIndex(key);
  if (index < 0 || static_cast<int>(s->Entries.size()) < index + 1) return;
  s->ActivateEntry(s->Entries[index]);
}

void FormCloseQuery(void* receiver, TWinControl*, bool& accept) {
  TSwitcher* s = SwitcherOf(receiver);
  accept = !s->CloseGuard;
  s->CloseGuard = false;
}

void FormMouseWheel(void* receiver, TWinControl*, MouseRecord& mouse) {
  TSwitcher* s = SwitcherOf(receiver);
  // Fine-grained wheels send parts of a notch: they add up to whole steps.
  s->WheelDistance += static_cast<SHORT>(HIWORD(mouse.Shift));
  int steps = s->WheelDistance / WHEEL_DELTA;
  s->WheelDistance -= steps * WHEEL_DELTA;
  // Turned away from the user, the wheel moves back up the list.
  s->MoveSelection(-steps);
}

void PaintBoxMouseUp(void* receiver, TWinControl*, MouseRecord& mouse) {
  TSwitcher* s = SwitcherOf(receiver);
  int index = RowAt(s->Layout, {mouse.X, mouse.Y});
  if (index < 0 || index >= static_cast<int>(s->Entries.size())) return;
  if (mouse.Button == 3) {
    s->CloseEntry(s->Entries[index]);
    return;
  }
  s->ActivateEntry(s->Entries[index]);
}

void FormShow(void* receiver, TWinObject*) { SwitcherOf(receiver)->Form->Invalidate(); }

void PaintBoxPaint(void* receiver, TWinControl*, HDC) {
  TSwitcher* s = SwitcherOf(receiver);
  s->PaintEntries();
  // Alt already released (a quick Alt+Tab, or the start-up): switch now.
  if (GetAsyncKeyState(VK_MENU) >= 0) s->ActivateSelected();
}
