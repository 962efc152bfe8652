#include "options.h"

#include <cstdint>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of the hexadecimal prefix at p, 0 when there is none.
size_t HexPrefix(const std::string& text, size_t p) {
  if (p < text.size() && (text[p] == '$' || text[p] == 'x' || text[p] == 'X')) return 1;
  if (p + 1 < text.size() && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X')) {
    return 2;
  }
  return 0;
}

}  // namespace

bool SplitOption(const std::string& parameter, std::string& name, std::string& value) {
  size_t equals = parameter.find('=');
  if (equals == std::string::npos) return false;
  name = parameter.substr(0, equals);
  value = parameter.substr(equals + 1);
  return true;
}

bool TextToInt(const std::string& text, int& value) {
  size_t p = 0;
  while (p < text.size() && text[p] == ' ') ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';

  size_t prefix = HexPrefix(text, p);
  unsigned base = prefix != 0 ? 16 : 10;
  // Hexadecimal may use all 32 bits; decimal reaches 2147483648 only as a magnitude.
  uint64_t limit = prefix != 0 ? 0xFFFFFFFFu : negative ? 2147483648u : 2147483647u;
  p += prefix;
  if (p == text.size()) return false;

  uint64_t magnitude = 0;
  for (; p < text.size(); ++p) {
    int digit = HexDigit(text[p]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<int>(bits);
  return true;
}

bool TextToColor(const std::string& text, int& value) {
  if (text.size() != 6) return TextToInt(text, value);
  std::string reordered = "$" + text.substr(4, 2) + text.substr(2, 2) + text.substr(0, 2);
  return TextToInt(reordered, value);
}
