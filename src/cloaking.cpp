#include "cloaking.h"

#include <cstring>

namespace {

const DWORD CloakedAttribute = 14;  // DWMWA_CLOAKED

TGetWindowAttribute LoadDwmGetWindowAttribute() {
  // From the system folder only: a dwmapi.dll beside the program or in the current folder
  // must not be loaded in its place. The library stays loaded for the life of the process.
  char path[MAX_PATH + 16];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::strcat(path, "\\dwmapi.dll");
  HMODULE dwm = LoadLibraryA(path);
  if (!dwm) return nullptr;
  return reinterpret_cast<TGetWindowAttribute>(
      reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")));
}

}  // namespace

DWORD ReadCloak(TGetWindowAttribute get, HWND window) {
  if (!get) return 0;
  DWORD cloaked = 0;
  // A window that refuses the query, or is gone meanwhile, counts as not cloaked.
  if (FAILED(get(window, CloakedAttribute, &cloaked, sizeof cloaked))) return 0;
  return cloaked;
}

DWORD DwmCloakState(HWND window) {
  static const TGetWindowAttribute get = LoadDwmGetWindowAttribute();
  return ReadCloak(get, window);
}

DWORD (*QueryCloak)(HWND window) = DwmCloakState;
