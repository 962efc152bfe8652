// The switcher's window list: enumeration, eligibility, order, layout and painting.
#include <algorithm>
#include <cstring>

#include "cloaking.h"
#include "main.h"
#include "winobj/canvas.h"
#include "winobj/events.h"

HWND LastForeground = 0;

namespace {

// Browsers put long texts in their titles; a title is read whole up to this many UTF-16
// units, one less than the buffer, before a row shortens it for display.
const int TitleBufferSize = 1024;

// The owner of LastForeground, asked once per Refresh rather than once per window; cleared
// together with LastForeground.
HWND LastForegroundOwner = 0;

// Set during a Refresh: whether an owned window is among the entries yet. A window's last
// active popup, if not the window itself, is owned, so until then none can be listed.
bool OwnedListed = false;

bool IsListed(HWND window) {
  for (TFlipDeckEntry* entry : Switcher->Entries) {
    if (entry->Handle == window) return true;
  }
  return false;
}

// The entries of the previous list by window, while Refresh makes the new one: the entry of
// a window still present is taken over, with its cut title, instead of made again.
std::vector<std::pair<HWND, TFlipDeckEntry*>> Previous;

TFlipDeckEntry* TakePrevious(HWND window) {
  auto found = std::lower_bound(
      Previous.begin(), Previous.end(), window,
      [](const std::pair<HWND, TFlipDeckEntry*>& known, HWND w) { return known.first < w; });
  if (found == Previous.end() || found->first != window) return nullptr;
  TFlipDeckEntry* entry = found->second;
  found->second = nullptr;
  return entry;
}

// The last active popup of an owner stands for it in the list; such a popup counts only
// when it looks like a dialog or an application window, not a plain owned helper.
bool IsSwitchablePopup(DWORD exStyle) {
  return (exStyle & (0x000F0000 | WS_EX_DLGMODALFRAME)) != 0;
}

// The content of a store app, which its frame window stands for in the list.
bool IsStoreAppContent(HWND window) {
  char name[32];
  return GetClassNameA(window, name, sizeof name) &&
         std::strcmp(name, "Windows.UI.Core.CoreWindow") == 0;
}

}  // namespace

// Cheapest rejections first: most windows fail on their style alone, one call.
bool IsSwitchable(HWND window, HWND& owner) {
  // A top-level window's own bit is its visibility: its parent, the desktop, is shown.
  const DWORD style = GetWindowLongA(window, GWL_STYLE);
  if ((style & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE) return false;
  const DWORD exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  if (exStyle & WS_EX_TOOLWINDOW) return false;
  owner = GetWindow(window, GW_OWNER);
  if (owner && GetLastActivePopup(owner) == window && !IsSwitchablePopup(exStyle)) return false;
  return !QueryCloak(window);
}

BOOL CALLBACK EnumWindowCallback(HWND window, LPARAM) {
  if (window == Switcher->Form->Handle) return TRUE;
  HWND owner = 0;
  if (!IsSwitchable(window, owner)) return TRUE;
  // Owned windows come before their owners in the Z-order, so an owner whose active
  // popup is already listed is skipped here.
  if (OwnedListed && IsListed(GetLastActivePopup(window))) return TRUE;

  TFlipDeckEntry* entry = TakePrevious(window);
  // A window's class never changes, so one listed before has passed this check.
  if (!entry && IsStoreAppContent(window)) return TRUE;
  // The title the system keeps: GetWindowTextW would send a window of this process that
  // belongs to another thread a message and wait for its answer.
  wchar_t title[TitleBufferSize];
  const int titleLength = InternalGetWindowText(window, title, TitleBufferSize);
  if (entry)
    entry->Renew(title, titleLength, Switcher->Painter->RowHeight);
  else
    entry = new TWindowInfo(std::wstring(title, titleLength), window, Switcher->Painter->RowHeight);
  // An unlisted owned window (a tool window, say) had the focus: select its owner.
  if (window == LastForeground || window == LastForegroundOwner) {
    entry->Selected = true;
    LastForeground = 0;
    LastForegroundOwner = 0;
  }
  entry->Flashing = Switcher->FlashingWindows.IsFlashing(window);
  if (owner) OwnedListed = true;
  Switcher->Entries.push_back(entry);
  return TRUE;
}

// In the order a person expects: by the rules of the user's language, ignoring case.
int CompareTitles(const TFlipDeckEntry* a, const TFlipDeckEntry* b) {
  int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a->Title.c_str(),
                             static_cast<int>(a->Title.size()), b->Title.c_str(),
                             static_cast<int>(b->Title.size()));
  // 0 is a failed call: such titles count as equal, so that the sort order stays consistent.
  return order == 0 ? 0 : order - CSTR_EQUAL;
}

void TSwitcher::Refresh() {
  Previous.clear();
  for (TFlipDeckEntry* entry : Entries) Previous.emplace_back(entry->Handle, entry);
  std::sort(Previous.begin(), Previous.end());
  Entries.clear();
  OwnedListed = false;
  FlashingWindows.ForgetGoneWindows();
  WheelDistance = 0;

  LastForeground = GetForegroundWindow();
  LastForegroundOwner = LastForeground ? GetWindow(LastForeground, GW_OWNER) : 0;
  // Before the entries are made: they ask for icons at the size the monitor draws them.
  ChooseMonitor();
  EnumDesktopWindows(GetThreadDesktop(GetCurrentThreadId()), EnumWindowCallback, 1);
  // The entries of windows that are gone.
  for (const auto& known : Previous) delete known.second;
  Previous.clear();
  if (SelectedIndex() == -1 && !Entries.empty()) Entries[0]->Selected = true;

  if (SortAlphabetically) {
    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const TFlipDeckEntry* a, const TFlipDeckEntry* b) {
                       return CompareTitles(a, b) < 0;
                     });
  }
  // Numbered once, in the final order.
  for (size_t i = 0; i < Entries.size(); ++i) Entries[i]->Number = static_cast<int>(i);

  AdjustBounds();

  // Set on the window itself every time: no taskbar button, and the switcher never
  // lists itself, even if something cleared the style meanwhile.
  HWND window = MainWindow->GetHandle();
  SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  MainWindow->Hide();
  Form->Show();
  AskForIcons();
}

// Queued when the list is shown and asked once it is painted, a few at a time whenever
// the loop is idle: every answer comes later, as a message, and is painted when it comes.
void TSwitcher::AskForIcons() {
  // The big icon first where the row draws it larger than a small icon.
  const int smallIcon = GetSystemMetrics(SM_CXSMICON);
  const TListSizes& sizes = Painter->Sizes;
  std::vector<std::pair<HWND, bool>> lookups;
  lookups.reserve(Entries.size());
  for (const TFlipDeckEntry* entry : Entries)
    lookups.emplace_back(entry->Handle,
                         sizes.RowGeometry(sizes.Row(entry->RowHeight)).IconSize > smallIcon);
  Icons.Queue(std::move(lookups));
}

// The monitor that holds the centre point where the options give one; otherwise the
// foreground window's, where the user looks (the form's own while it is in front, after a
// window was closed from the list).
void TSwitcher::ChooseMonitor() {
  Monitor = CenterGiven ? Monitors->OfPoint({CenterX, CenterY})
                        : Monitors->OfWindow(GetForegroundWindow());
  if (Monitor.Dpi != Painter->Sizes.Dpi) Painter->Sizes = ListSizes(Monitor.Dpi);
}

// Where the window of the given size starts along one axis: centred on centre, but inside
// low..high where it fits, at low where it does not.
static int KeepInside(int centre, int size, int low, int high) {
  return std::max(low, std::min(centre - size / 2, high - size));
}

void TSwitcher::AdjustBounds() {
  const RECT& work = Monitor.WorkArea;
  {
    TMeasuringDC measuring(PaintBox);
    Layout = Painter->LayOutList(PaintBox->Canvas(), Entries, work.right - work.left,
                                 work.bottom - work.top);
  }
  Form->SetHeight(Layout.Height);
  Form->SetWidth(Layout.Width);
  const int centerX = CenterGiven ? CenterX : (work.left + work.right) / 2;
  const int centerY = CenterGiven ? CenterY : (work.top + work.bottom) / 2;
  Form->SetTop(KeepInside(centerY, Form->Height(), work.top, work.bottom));
  Form->SetLeft(KeepInside(centerX, Form->Width(), work.left, work.right));
}

void TSwitcher::PaintEntries() {
  Painter->PaintList(PaintBox->Canvas(), Entries, Layout, PaintBox->Width(), PaintBox->Height());
}
