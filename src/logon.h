// Starting FlipDeck at log-on: its value under the user's Run key.
#pragma once

#include <string>

// The command that the Run value holds: this program's full path, quoted, and the options
// it was started with, as written.
std::string LogOnCommand();
// The command line after the program name, without the blanks around it.
std::string OptionsText(const char* commandLine);

bool StartsAtLogOn();
// Writes or removes the value; false when the registry refused.
bool SetStartAtLogOn(bool start);
