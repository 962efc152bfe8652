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
  char name[256] = "";
  GetWindowThreadProcessId(hwnd, &owner);
  GetClassNameA(hwnd, name, sizeof name);
  if ((!search.processId || owner == search.processId) &&
      (!search.className || std::string(name) == search.className))
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
  WaitUntil([&] {
    for (HWND hwnd : TopLevelWindows(processId, className))
      if (IsWindowVisible(hwnd)) return (visible = hwnd) != nullptr;
    return false;
  }, timeoutMs);
  return visible;
}

std::string WindowText(HWND hwnd) {
  char text[512] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}
