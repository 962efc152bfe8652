// What the helper apps share: the report file that tells the test their window handles,
// and the wait for their windows to settle before they write it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// One decimal handle a line, written aside and renamed into place to appear all at once.
inline bool WriteReport(const char* path, const std::vector<HWND>& windows) {
  const std::string temporary = std::string(path) + ".part";
  FILE* file = std::fopen(temporary.c_str(), "w");
  if (!file) return false;
  for (HWND hwnd : windows)
    std::fprintf(file, "%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
  std::fclose(file);
  return MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}

// Handles messages until none comes for quietMs, at most `rounds` times: focus changes come
// back from the X server late, and one handled after the report would move the foreground
// under the test's feet.
inline void Settle(int rounds, DWORD quietMs) {
  for (MSG msg; rounds-- > 0;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, quietMs, QS_ALLINPUT) == WAIT_TIMEOUT)
      return;
  }
}
