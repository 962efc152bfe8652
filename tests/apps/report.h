// The report file with which a helper app tells the test its window handles: one decimal
// number a line, written aside and renamed into place so that it appears all at once.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

inline bool WriteReport(const char* path, const std::vector<HWND>& windows) {
  const std::string temporary = std::string(path) + ".part";
  FILE* file = std::fopen(temporary.c_str(), "w");
  if (!file) return false;
  for (HWND hwnd : windows)
    std::fprintf(file, "%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
  std::fclose(file);
  return MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}
