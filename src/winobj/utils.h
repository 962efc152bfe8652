// Window-object layer: command-line parameters, number text and message boxes.
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
int ShowMessageBox(const std::string& text, UINT flags);
void ShowError(const std::string& text);
