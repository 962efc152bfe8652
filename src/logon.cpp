#include "logon.h"

#include <string>

#include <windows.h>

namespace {

const char* const RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const ValueName = "FlipDeck";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The command line after the program name, without the blanks around it.
std::string OptionsText(const char* commandLine) {
  const char* p = commandLine;
  // The program name ends at the first blank outside double quotes, as parameters do.
  bool quoted = false;
  for (; *p && (quoted || !IsBlank(*p)); ++p) {
    if (*p == '"') quoted = !quoted;
  }
  while (*p && IsBlank(*p)) ++p;
  std::string options = p;
  while (!options.empty() && IsBlank(options.back())) options.pop_back();
  return options;
}

// The command that the Run value holds: this program's full path, quoted, and the options
// it was started with, as written.
std::string LogOnCommand() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string command = std::string("\"") + path + "\"";
  std::string options = OptionsText(GetCommandLineA());
  if (!options.empty()) command += " " + options;
  return command;
}

}  // namespace

bool StartsAtLogOn() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  bool found = RegQueryValueExA(key, ValueName, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

void SetStartAtLogOn(bool start) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  if (start) {
    std::string command = LogOnCommand();
    const BYTE* data = reinterpret_cast<const BYTE*>(command.c_str());
    RegSetValueExA(key, ValueName, 0, REG_SZ, data, static_cast<DWORD>(command.size() + 1));
  } else {
    RegDeleteValueA(key, ValueName);
  }
  RegCloseKey(key);
}
