// The value syntax shared by the command-line option readers.
#pragma once

#include <string>

// Splits "name=value" at the first "="; false when there is none.
bool SplitOption(const std::string& parameter, std::string& name, std::string& value);
// Leading blanks, a sign, then decimal or hexadecimal after "$", "x", "X", "0x" or "0X";
// value is written only when the whole text converts.
bool TextToInt(const std::string& text, int& value);
// A six-character value is RRGGBB; anything else converts as an integer in 0x00BBGGRR order.
bool TextToColor(const std::string& text, int& value);
