// Window-object layer: command-line parameters, number text, UTF-16 text and message boxes.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

// Index 0 is the program's own file path; a missing parameter is the empty string.
std::string GetParameter(int index);
int ParameterCount();
// The parameters of a command-line text, the program name as written there first.
std::vector<std::string> SplitCommandLine(const char* text);
std::string NumberToText(int value);
// Text in the system code page as UTF-16.
std::wstring Widen(const std::string& text);
// The start of the character that the UTF-16 unit at index belongs to: index itself, or
// earlier when it is the second half of a surrogate pair or a combining mark. An index at
// or beyond the end stays as it is.
size_t CharacterStart(const std::wstring& text, size_t index);
int ShowMessageBox(const std::string& text, UINT flags);
void ShowError(const std::string& text);
