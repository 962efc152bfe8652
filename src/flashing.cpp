#include "flashing.h"

#include <algorithm>

bool TFlashingWindows::Contains(HWND window) const {
  return std::find(Windows.begin(), Windows.end(), window) != Windows.end();
}

void TFlashingWindows::Remove(HWND window) {
  auto found = std::find(Windows.begin(), Windows.end(), window);
  if (found != Windows.end()) Windows.erase(found);
}

void TFlashingWindows::Mark(HWND window) {
  if (!Contains(window)) Windows.push_back(window);
}

void TFlashingWindows::Forget(HWND window) {
  if (Windows.empty()) return;
  Remove(window);
  if (HWND owner = GetWindow(window, GW_OWNER)) Remove(owner);
}

bool TFlashingWindows::IsFlashing(HWND window) const {
  // Usually nothing flashes: then the owner need not be asked.
  if (Windows.empty()) return false;
  if (Contains(window)) return true;
  HWND owner = GetWindow(window, GW_OWNER);
  return owner && Contains(owner);
}

void TFlashingWindows::ForgetGoneWindows() {
  Windows.erase(std::remove_if(Windows.begin(), Windows.end(),
                               [](HWND window) { return !IsWindow(window); }),
                Windows.end());
}
