#include "toplevel.h"

#include "wait.h"

namespace {

struct Search {
  DWORD processId;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
  Search& search = *reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (search.processId && owner != search.processId) return TRUE;
  if (search.className && WindowClass(hwnd) != search.className) return TRUE;
  search.found.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const char* className) {
  Search search{processId, className, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForVisibleWindow(DWORD processId, const char* className, DWORD timeoutMs) {
  HWND visible = nullptr;
  WaitUntil(
      [&] {
        for (HWND hwnd : TopLevelWindows(processId, className)) {
          if (IsWindowVisible(hwnd)) {
            visible = hwnd;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return visible;
}

std::string WindowText(HWND hwnd) {
  char text[512] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::string WindowClass(HWND hwnd) {
  char name[256] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}
