#include "utils.h"

#include "events.h"

namespace {

// Every control byte counts as a blank; bytes of 128 and above are ordinary characters.
bool IsSeparator(unsigned char c) { return c >= 1 && c <= 32; }

// An empty quoted pair between parameters counts as a blank too.
const char* SkipSeparators(const char* p) {
  for (;;) {
    while (IsSeparator(*p)) ++p;
    if (p[0] != '"' || p[1] != '"') return p;
    p += 2;
  }
}

// Takes one parameter; quoted stretches keep their blanks and their quotes.
const char* TakeParameter(const char* p, std::string& parameter) {
  while (static_cast<unsigned char>(*p) > 32) {
    if (*p != '"') {
      parameter += *p++;
      continue;
    }
    parameter += *p++;
    while (*p != '\0' && *p != '"') parameter += *p++;
    if (*p == '"') parameter += *p++;
  }
  return p;
}

// A parameter that is wholly enclosed in quotes loses that one pair.
std::string Unquoted(const std::string& parameter) {
  if (parameter.size() >= 2 && parameter.front() == '"' && parameter.back() == '"') {
    return parameter.substr(1, parameter.size() - 2);
  }
  return parameter;
}

// The second half of a surrogate pair, or a mark that combines with what precedes it.
bool ContinuesCharacter(wchar_t c) {
  if (IS_LOW_SURROGATE(c)) return true;
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE3, &c, 1, &type) && (type & C3_NONSPACING);
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* text) {
  std::vector<std::string> parameters;
  const char* p = SkipSeparators(text);
  while (*p != '\0') {
    std::string parameter;
    p = SkipSeparators(TakeParameter(p, parameter));
    parameters.push_back(Unquoted(parameter));
  }
  return parameters;
}

std::string GetParameter(int index) {
  if (index == 0) {
    char path[261];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
  }
  std::vector<std::string> parameters = SplitCommandLine(GetCommandLineA());
  if (index < 0 || index >= static_cast<int>(parameters.size())) return std::string();
  return parameters[index];
}

// A taken parameter is never empty, so this is also the count before the first empty one.
int ParameterCount() {
  size_t taken = SplitCommandLine(GetCommandLineA()).size();
  return taken == 0 ? 0 : static_cast<int>(taken) - 1;
}

std::string NumberToText(int value) {
  // Unsigned, so that the magnitude of the most negative value fits.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return value < 0 ? "-" + digits : digits;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], static_cast<int>(wide.size()));
  return wide;
}

size_t CharacterStart(const std::wstring& text, size_t index) {
  while (index > 0 && index < text.size() && ContinuesCharacter(text[index])) --index;
  return index;
}

int ShowMessageBox(const std::string& text, UINT flags) {
  HWND owner = nullptr;
  const char* caption = nullptr;
  if (MainWindow != nullptr) {
    owner = MainWindow->Handle;
    caption = MainWindow->Caption;
  }
  return MessageBoxA(owner, text.c_str(), caption, flags);
}

void ShowError(const std::string& text) { ShowMessageBox(text, MB_SETFOREGROUND); }
