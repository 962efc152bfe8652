// What one Refresh costs against the floor of any enumeration, side by side in one run:
// the floor is a bare EnumDesktopWindows with one GetWindowTextA and two GetWindowLongA
// per window. With 10, 100, 500 and 1000 windows of another process open; the switcher
// is the shipping code, built in this process by CreateSwitcher. At the largest size, each
// call a Refresh makes per window is timed alone: where the time goes.
#include "cloaking.h"
#include "farm.h"
#include "figures.h"
#include "main.h"
#include "winobj/events.h"
#include "wait.h"

namespace {

const int kRounds = 15;

volatile LONG floorSink = 0;

BOOL CALLBACK FloorCallback(HWND window, LPARAM) {
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  floorSink = floorSink + GetWindowLongA(window, GWL_STYLE) + GetWindowLongA(window, GWL_EXSTYLE) +
              title[0];
  return TRUE;
}

HDESK Desktop() { return GetThreadDesktop(GetCurrentThreadId()); }

// Back to where a hotkey finds the switcher: hidden, nothing queued.
void HideSwitcher() {
  Switcher->Form->Hide();
  PumpPending();
}

struct Costs {
  Samples floor, refresh;
  Samples enumeration, icons, layout, showing;
  size_t entries = 0;
};

// The parts of a Refresh, each timed on its own: the enumeration with the real callback
// (entries and their icon lookups), the icon lookups again alone, the layout, and hiding
// and showing the window.
void TimeParts(Costs& costs) {
  for (TFlipDeckEntry* entry : Switcher->Entries) delete entry;
  Switcher->Entries.clear();
  LastForeground = GetForegroundWindow();
  costs.enumeration.Add(Time([] { EnumDesktopWindows(Desktop(), EnumWindowCallback, 1); }));
  costs.icons.Add(Time([] {
    Switcher->AskForIcons();
    while (Switcher->Icons.AskQueued()) {
    }
  }));
  costs.layout.Add(Time([] { Switcher->AdjustBounds(); }));
  costs.showing.Add(Time([] {
    MainWindow->Hide();
    Switcher->Form->Show();
  }));
  HideSwitcher();
}

Costs Measure() {
  Costs costs;
  for (int round = 0; round < kRounds; ++round) {
    costs.floor.Add(Time([] { EnumDesktopWindows(Desktop(), FloorCallback, 0); }));
    costs.refresh.Add(Time([] { Switcher->Refresh(); }));
    costs.entries = Switcher->Entries.size();
    HideSwitcher();
    TimeParts(costs);
  }
  return costs;
}

void CALLBACK IgnoreAnswer(HWND, UINT, ULONG_PTR, LRESULT) {}

struct Call {
  const char* name;
  void (*make)(HWND window);
};

const Call kCalls[] = {
    {"GetWindowLongA", [](HWND w) { floorSink = floorSink + GetWindowLongA(w, GWL_STYLE); }},
    {"GetWindow(GW_OWNER)", [](HWND w) { floorSink = floorSink + (GetWindow(w, GW_OWNER) != 0); }},
    {"GetLastActivePopup", [](HWND w) { floorSink = floorSink + (GetLastActivePopup(w) != w); }},
    {"GetClassNameA", [](HWND w) {
       char name[32];
       floorSink = floorSink + GetClassNameA(w, name, sizeof name);
     }},
    {"cloak query", [](HWND w) { floorSink = floorSink + static_cast<LONG>(QueryCloak(w)); }},
    {"GetWindowTextA", [](HWND w) {
       char title[256];
       floorSink = floorSink + GetWindowTextA(w, title, sizeof title);
     }},
    {"InternalGetWindowText", [](HWND w) {
       wchar_t title[1024];
       floorSink = floorSink + InternalGetWindowText(w, title, 1024);
     }},
    {"IsHungAppWindow", [](HWND w) { floorSink = floorSink + IsHungAppWindow(w); }},
    {"SendMessageCallbackW(WM_GETICON)", [](HWND w) {
       floorSink = floorSink + SendMessageCallbackW(w, WM_GETICON, ICON_SMALL, 0, IgnoreAnswer, 0);
     }},
    {"new and delete an entry", [](HWND w) { delete new TWindowInfo(L"A window title", w, 32); }},
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// Each call alone, over every window of the desktop, in microseconds per window.
void ProfileCalls() {
  std::vector<HWND> windows;
  EnumDesktopWindows(Desktop(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
  for (const Call& call : kCalls) {
    Samples perWindow;
    for (int round = 0; round < 5; ++round) {
      perWindow.Add(Time([&] {
                      for (HWND w : windows) call.make(w);
                    }) *
                    1000 / static_cast<double>(windows.size()));
      PumpPending();
    }
    Row(Format("  per window (%zu): %s", windows.size(), call.name),
        Format("%.2f us", perWindow.Median()), "-", kNoTarget);
  }
}

}  // namespace

int main() {
  WindowFarm farm;
  if (!farm.Open(10, "Window")) {
    Note("refresh: the window farm did not start");
    return 1;
  }
  CreateSwitcher();
  HideSwitcher();

  double firstRatio = 0, firstFloor = 0, firstRefresh = 0;
  int firstCount = 0;
  for (int count : {10, 100, 500, 1000}) {
    if (farm.Add(count - static_cast<int>(farm.VisibleWindows().size())) < count) {
      Note("refresh: the farm did not grow to %d windows", count);
      break;
    }
    Costs costs = Measure();
    const double floorMs = costs.floor.Median(), refreshMs = costs.refresh.Median();
    const double ratio = refreshMs / floorMs;
    Row(Format("Refresh vs floor, %d windows (%zu listed)", count, costs.entries),
        Format("%.2f ms vs %.2f ms = %.1fx", refreshMs, floorMs, ratio), "<= 2x",
        Verdict(ratio <= 2));
    Row(Format("  of it: enumeration+entries / icons / layout / hide+show, %d", count),
        Format("%.2f / %.2f / %.2f / %.2f ms", costs.enumeration.Median(), costs.icons.Median(),
               costs.layout.Median(), costs.showing.Median()),
        "-", kNoTarget);
    if (!firstCount) {
      firstCount = count;
      firstRatio = ratio;
      firstFloor = floorMs;
      firstRefresh = refreshMs;
      continue;
    }
    Row(Format("Refresh growth %d->%d windows vs floor growth", firstCount, count),
        Format("%.1fx vs %.1fx", refreshMs / firstRefresh, floorMs / firstFloor),
        "no faster than the floor", Verdict(ratio <= firstRatio * 1.1));
  }
  ProfileCalls();
  return 0;
}
