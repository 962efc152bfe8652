#include "switcher.h"

#include <winternl.h>

#include <algorithm>
#include <functional>

#include "toplevel.h"
#include "wait.h"
#include "xkeys.h"

FlipDeck StartFlipDeck(const std::string& exe, const std::string& args) {
  const HWND previous = GetForegroundWindow();
  const int deactivations = Deactivations(previous);
  FlipDeck flipDeck;
  flipDeck.program = StartProgram(exe, args);
  if (!flipDeck.program.IsStarted()) return flipDeck;
  HWND form = nullptr;
  const DWORD id = flipDeck.program.Id();
  const bool settled = WaitUntil(
      [&] {
        for (HWND hwnd : TopLevelWindows(id, "obj_Form"))
          if (WindowText(hwnd) == "Form1") form = hwnd;
        return form && Deactivations(previous) > deactivations &&
               GetForegroundWindow() == previous && !IsWindowVisible(form);
      },
      10000);
  if (settled) flipDeck.form = form;
  return flipDeck;
}

bool IsShown(HWND form) { return IsWindowVisible(form) && GetForegroundWindow() == form; }

bool WaitShown(HWND form, DWORD timeoutMs) {
  return WaitUntil([&] { return IsShown(form); }, timeoutMs);
}

bool WaitHidden(HWND form, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindowVisible(form); }, timeoutMs);
}

bool ShowList(HWND form, bool shift) {
  // Under load the X focus can stay behind on the previous window although the switcher
  // is active, and X keys sent there never reach it.
  return HoldAlt(GetForegroundWindow()) && PressTab(shift) && WaitShown(form) && FocusX(form);
}

namespace {

DWORD ProcessOf(HWND hwnd) {
  DWORD id = 0;
  GetWindowThreadProcessId(hwnd, &id);
  return id;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> AllTopLevel() {
  std::vector<HWND> all;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&all));
  return all;
}

}  // namespace

bool TargetWindows::Open(int count, const std::string& prefix) {
  windows_ = StartReporting(program_, "targetwindows.exe",
                            std::to_string(count) + " " + QuoteArgument(prefix), count);
  return windows_.size() == static_cast<size_t>(count) &&
         WaitUntil([&] { return GetForegroundWindow() == windows_[0]; }, 5000);
}

int TargetWindows::IndexOf(HWND hwnd) const {
  auto found = std::find(windows_.begin(), windows_.end(), hwnd);
  return found == windows_.end() ? -1 : static_cast<int>(found - windows_.begin());
}

std::vector<HWND> TargetWindows::InZOrder() const {
  std::vector<HWND> ordered;
  for (HWND hwnd : AllTopLevel()) {
    if (IndexOf(hwnd) >= 0) ordered.push_back(hwnd);
  }
  return ordered;
}

bool TargetWindows::Restack() {
  // SetForegroundWindow alone does not always raise a window to the very top
  // under Wine. One at a time, and asked again if nothing happens: another
  // process carries the change out later, and a request can get lost.
  const auto retried = [](const std::function<void()>& request,
                          const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      request();
      if (WaitUntil(done, 1000)) return true;
    }
    return false;
  };
  for (size_t i = windows_.size(); i-- > 0;) {
    HWND hwnd = windows_[i];
    if (!retried([&] { SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); },
                 [&] { return InZOrder()[0] == hwnd; }))
      return false;
  }
  return retried([&] { SetForegroundWindow(windows_[0]); },
                 [&] { return GetForegroundWindow() == windows_[0]; }) &&
         InZOrder() == windows_;
}

int Activations(HWND hwnd) {
  return static_cast<int>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "Activations")));
}

int Deactivations(HWND hwnd) {
  return static_cast<int>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "Deactivations")));
}

std::vector<HWND> OtherListableWindows(const std::vector<DWORD>& processIds) {
  std::vector<HWND> others;
  for (HWND hwnd : AllTopLevel()) {
    if (std::find(processIds.begin(), processIds.end(), ProcessOf(hwnd)) != processIds.end())
      continue;
    if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) continue;
    if (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) continue;
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_DISABLED) continue;
    others.push_back(hwnd);
  }
  return others;
}

bool HotKeyTaken(UINT modifiers) {
  const int id = 0x7A00;
  if (!RegisterHotKey(nullptr, id, modifiers, VK_TAB)) return true;
  UnregisterHotKey(nullptr, id);
  return false;
}

namespace {

bool SendKey(WORD vk, DWORD flags) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  switch (vk) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
      flags |= KEYEVENTF_EXTENDEDKEY;
      break;
  }
  input.ki.dwFlags = flags;
  return SendInput(1, &input, sizeof input) == 1;
}

bool SendMouse(DWORD flags, DWORD data = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return SendInput(1, &input, sizeof input) == 1;
}

}  // namespace

bool KeyDown(WORD vk) { return SendKey(vk, 0); }
bool KeyUp(WORD vk) { return SendKey(vk, KEYEVENTF_KEYUP); }
bool TapKey(WORD vk) { return KeyDown(vk) && KeyUp(vk); }

bool HoldAlt(HWND focus) { return FocusX(focus) && Xdotool("keydown alt"); }
bool PressTab(bool shift) { return Xdotool(shift ? "key shift+Tab" : "key Tab"); }
bool ReleaseAlt() { return Xdotool("keyup alt"); }

bool Click(POINT at, int button) {
  DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
  if (button == 2) down = MOUSEEVENTF_RIGHTDOWN, up = MOUSEEVENTF_RIGHTUP;
  if (button == 3) down = MOUSEEVENTF_MIDDLEDOWN, up = MOUSEEVENTF_MIDDLEUP;
  return SetCursorPos(at.x, at.y) && SendMouse(down) && SendMouse(up);
}

bool TurnWheel(POINT at, int delta) {
  return SetCursorPos(at.x, at.y) && SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(delta));
}

void ParkPointer() {
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

POINT RowPoint(HWND form, int index, int dy) {
  RECT bounds = {};
  GetWindowRect(form, &bounds);
  return {bounds.left + kColumnLeft + 40, bounds.top + kFirstRowTop + index * kRowHeight + dy};
}

namespace {

// Wine's GetGuiResources is a stub that returns 0. Its GDI handle table is
// per process, referenced from the PEB (GdiSharedHandleTable, offset 0x94 in
// a 32-bit PEB): 0x10000 entries of 24 bytes whose type byte, at offset 14,
// is 0 for a free entry.
int WineGdiObjectCount(HANDLE process) {
  using QueryInformation = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  // Through void*: the cast from FARPROC alone draws -Wcast-function-type.
  const auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll"), "NtQueryInformationProcess")));
  if (!query) return -1;
  PROCESS_BASIC_INFORMATION basic = {};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
  DWORD table = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0x94, &table,
                         sizeof table, nullptr) ||
      table == 0)
    return -1;
  const size_t entrySize = 24, entries = 0x10000;
  std::vector<unsigned char> copy(entrySize * entries);
  if (!ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<UINT_PTR>(table)),
                         copy.data(), copy.size(), nullptr))
    return -1;
  int count = 0;
  for (size_t i = 0; i < entries; ++i) {
    if (copy[i * entrySize + 14] != 0) ++count;
  }
  return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM lParam) {
  ++*reinterpret_cast<int*>(lParam);
  return TRUE;
}

}  // namespace

int GdiObjectCount(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!process) return -1;
  int count = static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
  if (count == 0) count = WineGdiObjectCount(process);
  CloseHandle(process);
  return count;
}

int WindowCount(DWORD processId) {
  int count = 0;
  for (HWND hwnd : AllTopLevel()) {
    if (ProcessOf(hwnd) != processId) continue;
    ++count;
    EnumChildWindows(hwnd, CountWindow, reinterpret_cast<LPARAM>(&count));
  }
  // Message-only windows are no top-level windows and have no Z-order.
  for (HWND hwnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hwnd;
       hwnd = FindWindowExA(HWND_MESSAGE, hwnd, nullptr, nullptr)) {
    if (ProcessOf(hwnd) == processId) ++count;
  }
  return count;
}
