// Closing windows from the shown list, and noticing that they are gone.
#include <algorithm>

#include "main.h"
#include "winobj/events.h"

namespace {

// Without the shell's notice the list looks again this often, for this many times: long
// enough for a window to close, short enough that one which asks a question or ignores
// the request costs nothing more.
const UINT CloseCheckInterval = 100;
const int CloseChecks = 20;

}  // namespace

void TSwitcher::CloseEntry(TFlipDeckEntry* entry) {
  HWND window = entry->Handle;
  // Posted: a window that hangs or asks "Save changes?" must not stop the list.
  PostMessageA(window, WM_CLOSE, 0, 0);
  // The shell reports the end of unowned windows (HSHELL_WINDOWDESTROYED); where it does
  // not, look again a few times.
  if (ShellHookRegistered && !GetWindow(window, GW_OWNER)) return;
  CloseChecksLeft = CloseChecks;
  SetTimer(Form->Handle, CloseCheckTimer, CloseCheckInterval, nullptr);
}

void TSwitcher::CheckClosedWindows() {
  if (--CloseChecksLeft <= 0 || !Form->IsVisible()) KillTimer(Form->Handle, CloseCheckTimer);
  if (!Form->IsVisible()) return;
  bool gone = std::any_of(Entries.begin(), Entries.end(),
                          [](const TFlipDeckEntry* entry) { return !IsWindow(entry->Handle); });
  if (gone) RefreshKeepingSelection();
}

void TSwitcher::RefreshKeepingSelection() {
  int index = SelectedIndex();
  HWND selected = index != -1 ? Entries[index]->Handle : 0;
  Refresh();
  if (index == -1 || Entries.empty()) return;
  // The selected window if it is still listed, otherwise the row that took its place.
  auto kept = std::find_if(Entries.begin(), Entries.end(),
                           [&](const TFlipDeckEntry* entry) { return entry->Handle == selected; });
  if (kept == Entries.end()) kept = Entries.begin() + std::min<size_t>(index, Entries.size() - 1);
  for (TFlipDeckEntry* entry : Entries) entry->Selected = false;
  (*kept)->Selected = true;
  Form->Invalidate();
}
