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

bool IsListed(HWND window) {
  for (TFlipDeckEntry* entry : Switcher->Entries) {
    if (entry->Handle == window) return true;
  }
  return false;
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

bool IsSwitchable(HWND window) {
  DWORD style = GetWindowLongA(window, GWL_STYLE);
  DWORD exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  if (exStyle & WS_EX_TOOLWINDOW) return false;
  // Most hidden windows fail on their own style bit, without asking for their parents.
  if (!(style & WS_VISIBLE) || !IsWindowVisible(window)) return false;
  if (style & WS_DISABLED) return false;
  if (IsStoreAppContent(window) || QueryCloak(window)) return false;
  HWND owner = GetWindow(window, GW_OWNER);
  if (!owner) return true;
  if (GetLastActivePopup(owner) != window) return true;
  return IsSwitchablePopup(exStyle);
}

BOOL CALLBACK EnumWindowCallback(HWND window, LPARAM) {
  if (!IsSwitchable(window)) return TRUE;
  if (window == Switcher->Form->Handle) return TRUE;
  // Owned windows come before their owners in the Z-order, so an owner whose active
  // popup is already listed is skipped here.
  if (IsListed(GetLastActivePopup(window))) return TRUE;

  // The title the system keeps: GetWindowTextW would send a window of this process that
  // belongs to another thread a message and wait for its answer.
  wchar_t title[TitleBufferSize];
  const int titleLength = InternalGetWindowText(window, title, TitleBufferSize);
  TWindowInfo* entry =
      new TWindowInfo(std::wstring(title, titleLength), window, Switcher->Painter->RowHeight);
  // An unlisted owned window (a tool window, say) had the focus: select its owner.
  if (window == LastForeground || window == LastForegroundOwner) {
    entry->Selected = true;
    LastForeground = 0;
    LastForegroundOwner = 0;
  }
  entry->Number = static_cast<int>(Switcher->Entries.size());
  entry->Flashing = Switcher->FlashingWindows.IsFlashing(window);
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
  for (TFlipDeckEntry* entry : Entries) delete entry;
  Entries.clear();
  FlashingWindows.ForgetGoneWindows();
  WheelDistance = 0;

  LastForeground = GetForegroundWindow();
  LastForegroundOwner = LastForeground ? GetWindow(LastForeground, GW_OWNER) : 0;
  // Before the entries are made: they ask for icons at the size the monitor draws them.
  ChooseMonitor();
  EnumDesktopWindows(GetThreadDesktop(GetCurrentThreadId()), EnumWindowCallback, 1);
  if (SelectedIndex() == -1 && !Entries.empty()) Entries[0]->Selected = true;

  if (SortAlphabetically) {
    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const TFlipDeckEntry* a, const TFlipDeckEntry* b) {
                       return CompareTitles(a, b) < 0;
                     });
    for (size_t i = 0; i < Entries.size(); ++i) Entries[i]->Number = static_cast<int>(i);
  }

  AdjustBounds();

  // Set on the window itself every time: no taskbar button, and the switcher never
  // lists itself, even if something cleared the style meanwhile.
  HWND window = MainWindow->GetHandle();
  SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  MainWindow->Hide();
  Form->Show();
  AskForIcons();
}

// Asked after the list is shown: every answer comes later, as a message, and is painted
// when it comes.
void TSwitcher::AskForIcons() {
  Icons.ForgetGoneWindows();
  // The big icon first where the row draws it larger than a small icon.
  const int smallIcon = GetSystemMetrics(SM_CXSMICON);
  const TListSizes& sizes = Painter->Sizes;
  for (const TFlipDeckEntry* entry : Entries)
    Icons.Ask(entry->Handle, sizes.RowGeometry(sizes.Row(entry->RowHeight)).IconSize > smallIcon);
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
