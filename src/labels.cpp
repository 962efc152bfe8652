#include "labels.h"

#include <windows.h>

namespace {

const int Digits = 10;
const int Letters = 26;
const int FunctionKeys = 12;

}  // namespace

std::string KeyLabel(int position) {
  if (position < 0) return "";
  if (position < Digits) return std::string(1, static_cast<char>('0' + position));
  position -= Digits;
  if (position < Letters) return std::string(1, static_cast<char>('A' + position));
  position -= Letters;
  if (position < FunctionKeys) return "F" + std::to_string(position + 1);
  return "";
}

int LabelIndex(int key) {
  if (key >= '0' && key <= '9') return key - '0';
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return key - VK_NUMPAD0;
  if (key >= 'A' && key <= 'Z') return Digits + key - 'A';
  if (key >= VK_F1 && key <= VK_F12) return Digits + Letters + key - VK_F1;
  return -1;
}
