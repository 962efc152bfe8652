// What FlipDeck holds and uses over time. The running FlipDeck.exe: private bytes and
// working set after start, after 100 and after 5,000 Alt+Tab cycles (show, paint, switch,
// hide), then its processor time over 10 idle seconds with the switcher hidden, and the
// size of the exe. GDI objects and windows cannot be counted from outside under Wine, so
// the same cycles also run through the shipping code in this process (the switcher built
// by CreateSwitcher), counted with the handle-table probes.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <string>

#include "farm.h"
#include "figures.h"
#include "handles.h"
#include "main.h"
#include "switcher.h"
#include "winobj/events.h"
#include "wait.h"

namespace {

const int kFewCycles = 100;
const int kManyCycles = 5000;
const int kFarmWindows = 8;

struct Memory {
  double privateKb = 0;
  double workingSetKb = 0;
};

Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  Memory memory;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    memory.privateKb = static_cast<double>(counters.PagefileUsage) / 1024;
    memory.workingSetKb = static_cast<double>(counters.WorkingSetSize) / 1024;
  }
  return memory;
}

double ProcessorMs(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}


// User plus system time of FlipDeck.exe's Wine process in clock ticks, as Linux counts
// it: a check on what Wine's GetProcessTimes reports. -1 if it cannot be read.
long UnixTicks() {
  std::string stat;
  // The brackets keep the shell running pgrep from matching itself.
  if (RunUnix("cat /proc/$(pgrep -f '[F]lipDeck.exe' | head -n1)/stat", &stat) != 0) return -1;
  // The fields after the command name in parentheses; utime and stime are the 12th and 13th.
  const size_t end = stat.rfind(')');
  if (end == std::string::npos) return -1;
  long utime = 0, stime = 0;
  if (std::sscanf(stat.c_str() + end + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld",
                  &utime, &stime) != 2)
    return -1;
  return utime + stime;
}

// The window an Alt+Tab switches to: the one below the foreground window.
HWND NextTarget(const WindowFarm& farm) {
  std::vector<HWND> windows = farm.VisibleWindows();
  if (windows.size() < 2) return nullptr;
  if (GetForegroundWindow() != windows[0]) {
    SetForegroundWindow(windows[0]);
    QuickWait([&] { return GetForegroundWindow() == windows[0]; }, 2000);
  }
  return windows[1];
}

// Alt+Tab pressed and released at once: the switcher's first paint finds Alt up and
// switches. Under Wine the keys now and then lose Alt on the way, or another process
// handling its X focus events late takes the activation from the switcher, which then
// hides without switching; such a press is sent again. Returns the presses repeated.
int CycleFlipDeck(const FlipDeck& flipDeck, const WindowFarm& farm) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    HWND target = NextTarget(farm);
    if (!target ||
        !SendKeys({{VK_MENU, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_MENU, false}}))
      break;
    if (QuickWait(
            [&] { return GetForegroundWindow() == target && !IsWindowVisible(flipDeck.form); },
            1000))
      return attempt;
  }
  Note("footprint: an Alt+Tab did not switch three times in a row");
  return 3;
}

bool CycleInProcess(const WindowFarm& farm) {
  HWND target = NextTarget(farm);
  if (!target) return false;
  Switcher->HandleHotKey(1);
  // The paint, dispatched from the queue as in the program's loop, finds Alt up as after
  // a quick Alt+Tab, and switches.
  return QuickWait(
      [&] { return GetForegroundWindow() == target && !IsWindowVisible(Switcher->Form->Handle); },
      3000);
}

template <typename Cycle>
int RunCycles(int count, Cycle cycle) {
  int failures = 0;
  for (int i = 0; i < count; ++i) failures += cycle() ? 0 : 1;
  return failures;
}

std::string Kb(double kb) { return Format("%.0f KiB", kb); }

void MeasureFlipDeck(const WindowFarm& farm) {
  FlipDeck flipDeck = StartFlipDeck();
  if (!flipDeck.form) {
    Note("footprint: FlipDeck.exe did not start");
    return;
  }
  HANDLE process = flipDeck.program.Handle();
  const Memory started = MemoryOf(process);
  const double startMs = NowMs();
  int repeated = 0;
  for (int i = 0; i < kFewCycles; ++i) repeated += CycleFlipDeck(flipDeck, farm);
  const Memory few = MemoryOf(process);
  for (int i = kFewCycles; i < kManyCycles; ++i) repeated += CycleFlipDeck(flipDeck, farm);
  const Memory many = MemoryOf(process);
  Note("footprint: %d cycles of FlipDeck.exe in %.0f s, %d presses sent again", kManyCycles,
       (NowMs() - startMs) / 1000, repeated);

  Row("FlipDeck.exe private bytes: start / 100 / 5000 cycles",
      Kb(started.privateKb) + " / " + Kb(few.privateKb) + " / " + Kb(many.privateKb),
      "flat 100->5000", Verdict(many.privateKb <= few.privateKb));
  Row("FlipDeck.exe working set: start / 100 / 5000 cycles",
      Kb(started.workingSetKb) + " / " + Kb(few.workingSetKb) + " / " + Kb(many.workingSetKb),
      "-", kNoTarget);

  // Idle: hidden, nothing happening on the desktop.
  WaitUntil([&] { return !IsWindowVisible(flipDeck.form); }, 2000);
  Sleep(500);
  const double before = ProcessorMs(process);
  const long ticksBefore = UnixTicks();
  Sleep(10000);
  const double idle = ProcessorMs(process) - before;
  const long ticks = UnixTicks() - ticksBefore;
  Row("FlipDeck.exe processor time over 10 s idle, hidden",
      Format("%.0f ms (GetProcessTimes), %ld ticks (/proc)", idle, ticks), "0",
      Verdict(before >= 0 && idle == 0 && ticksBefore >= 0 && ticks == 0));
}

void MeasureInProcess(const WindowFarm& farm) {
  CreateSwitcher();
  // The start-up Refresh ends with the first paint.
  QuickWait([] { return !IsWindowVisible(Switcher->Form->Handle); }, 3000);
  HANDLE self = GetCurrentProcess();
  const int gdiStart = CountGdiObjects(), windowsStart = CountWindows();
  const Memory started = MemoryOf(self);
  int failures = RunCycles(kFewCycles, [&] { return CycleInProcess(farm); });
  const int gdiFew = CountGdiObjects(), windowsFew = CountWindows();
  const Memory few = MemoryOf(self);
  failures += RunCycles(kManyCycles - kFewCycles, [&] { return CycleInProcess(farm); });
  const int gdiMany = CountGdiObjects(), windowsMany = CountWindows();
  const Memory many = MemoryOf(self);
  if (failures) Note("footprint: %d in-process cycles did not land", failures);

  Row("In-process GDI objects: start / 100 / 5000 cycles",
      Format("%d / %d / %d", gdiStart, gdiFew, gdiMany), "flat 100->5000",
      Verdict(gdiMany == gdiFew));
  Row("In-process windows: start / 100 / 5000 cycles",
      Format("%d / %d / %d", windowsStart, windowsFew, windowsMany), "flat 100->5000",
      Verdict(windowsMany == windowsFew));
  Row("In-process private bytes: start / 100 / 5000 cycles",
      Kb(started.privateKb) + " / " + Kb(few.privateKb) + " / " + Kb(many.privateKb),
      "flat 100->5000", Verdict(many.privateKb <= few.privateKb));
}

void MeasureExe() {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA((ProgramDir() + "FlipDeck.exe").c_str(), GetFileExInfoStandard,
                            &data))
    return;
  const double kib = static_cast<double>(data.nFileSizeLow) / 1024;
  Row("FlipDeck.exe size", Format("%.1f KiB (%lu bytes)", kib, data.nFileSizeLow), "<= 256 KiB",
      Verdict(kib <= 256));
}

}  // namespace

int main() {
  MeasureExe();
  WindowFarm farm;
  if (!farm.Open(kFarmWindows, "Window")) {
    Note("footprint: the window farm did not start");
    return 1;
  }
  MeasureFlipDeck(farm);
  MeasureInProcess(farm);
  return 0;
}
