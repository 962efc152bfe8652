#include "logon.h"

#include <windows.h>

namespace {

const char* const RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const ValueName = "FlipDeck";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

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

std::string LogOnCommand() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string command = std::string("\"") + path + "\"";
  std::string options = OptionsText(GetCommandLineA());
  if (!options.empty()) command += " " + options;
  return command;
}

bool StartsAtLogOn() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  bool found = RegQueryValueExA(key, ValueName, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

bool SetStartAtLogOn(bool start) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG result;
  if (start) {
    std::string command = LogOnCommand();
    result = RegSetValueExA(key, ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>(command.size() + 1));
  } else {
    result = RegDeleteValueA(key, ValueName);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
