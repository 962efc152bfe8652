#include "quit.h"

#include <vector>

#include <windows.h>

#include "winobj/utils.h"

namespace {

// Long enough for a copy to close its list and give back the hotkeys.
const DWORD QuitWait = 5000;

// The processes of the running copies' forms.
std::vector<HANDLE> RunningCopies() {
  std::vector<HANDLE> copies;
  HWND form = nullptr;
  while ((form = FindWindowExA(nullptr, form, "obj_Form", "Form1")) != nullptr &&
         copies.size() < MAXIMUM_WAIT_OBJECTS) {
    DWORD processId = 0;
    GetWindowThreadProcessId(form, &processId);
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId)) copies.push_back(process);
  }
  return copies;
}

}  // namespace

bool IsQuitRequest() {
  int count = ParameterCount();
  for (int i = 1; i <= count; ++i) {
    if (GetParameter(i) == "-quit") return true;
  }
  return false;
}

int QuitRunningCopies() {
  std::vector<HANDLE> copies = RunningCopies();
  if (copies.empty()) return QuitNoneRunning;
  // No window sends it: wParam 0 names no copy, so every copy closes.
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("FlipDeckSuizideMessage"), 0, 0);
  DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(copies.size()), copies.data(), TRUE,
                                        QuitWait);
  for (HANDLE process : copies) CloseHandle(process);
  return waited < WAIT_OBJECT_0 + copies.size() ? QuitDone : QuitStillRunning;
}
