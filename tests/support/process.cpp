#include "process.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "wait.h"

Program::~Program() {
  Kill();
}

Program::Program(Program&& other) noexcept : info_(other.info_) {
  other.info_ = {};
}

Program& Program::operator=(Program&& other) noexcept {
  if (this != &other) {
    Kill();
    info_ = std::exchange(other.info_, {});
  }
  return *this;
}

bool Program::IsRunning() const {
  return IsStarted() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs) const {
  return IsStarted() && WaitForHandle(info_.hProcess, timeoutMs);
}

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (IsStarted()) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Program::Kill() {
  if (IsRunning()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  Close();
}

void Program::Close() {
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
  info_ = {};
}

std::string ProgramDir() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count double only before a quote.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

Program StartProgram(const std::string& exeName, const std::string& args) {
  const bool absolute = exeName.find(':') != std::string::npos;
  std::string path = absolute ? exeName : ProgramDir() + exeName;
  if (path.size() < 4 || _stricmp(path.c_str() + path.size() - 4, ".exe") != 0) path += ".exe";
  std::string commandLine = QuoteArgument(path);
  if (!args.empty()) commandLine += " " + args;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return Program();
  }
  return Program(info);
}

std::vector<HWND> StartReporting(Program& program, const std::string& exeName,
                                 const std::string& args, size_t count) {
  static unsigned counter = 0;
  char dir[MAX_PATH] = "", report[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::snprintf(report, sizeof report, "%sflipdeck-report-%lu-%lu-%u.txt", dir,
                GetCurrentProcessId(), GetTickCount(), ++counter);
  program = StartProgram(exeName, QuoteArgument(report) + " " + args);
  std::vector<HWND> handles;
  if (!program.IsStarted()) return handles;
  // Read until complete: under Wine a renamed file can show up before its contents do,
  // or still be held by the rename.
  const auto read = [&] {
    handles.clear();
    if (FILE* file = std::fopen(report, "r")) {
      unsigned long value = 0;
      while (std::fscanf(file, "%lu", &value) == 1)
        handles.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)));
      std::fclose(file);
    }
    return handles.size() >= count;
  };
  WaitUntil([&] { return read() || !program.IsRunning(); }, 60000);
  read();
  DeleteFileA(report);
  return handles;
}

namespace {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
  std::string text;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

// Wine maps the Unix root to drive Z:.
std::string WinePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int RunUnix(const std::string& shellCommand, std::string* output, DWORD timeoutMs) {
  // Wine gives no usable handle for a Unix process, so the shell reports its
  // end through a status file it renames into place (Z: is the Unix root).
  static unsigned counter = 0;
  char name[96];
  std::snprintf(name, sizeof name, "/tmp/flipdeck-rununix-%lu-%lu-%u",
                GetCurrentProcessId(), GetTickCount(), ++counter);
  const std::string unixBase = name;
  const std::string statusFile = WinePath(unixBase + ".status");
  const std::string outputFile = WinePath(unixBase + ".out");

  // The shell lets go of the test's stdout at once (a command that outlives
  // its timeout must not hold ctest's pipe open), and puts the command on
  // lines of its own (a trailing comment must not swallow the rest).
  const std::string script = "exec >/dev/null\n"
                             "(\n" + shellCommand + "\n) >'" + unixBase + ".out' </dev/null\n"
                             "echo $? >'" + unixBase + ".tmp'\n"
                             "mv '" + unixBase + ".tmp' '" + unixBase + ".status'\n"
                             // Given up on by the test: nobody reads the files.
                             "[ -e '" + unixBase + ".abandoned' ] && rm -f '" + unixBase + ".'*\n";
  std::string commandLine = "Z:\\bin\\sh -c " + QuoteArgument(script);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return -1;
  }
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);

  if (!WaitUntil([&] { return FileExists(statusFile); }, timeoutMs)) {
    const std::string abandoned = WinePath(unixBase + ".abandoned");
    HANDLE file = CreateFileA(abandoned.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return -1;
  }
  const int status = std::atoi(ReadFile(statusFile).c_str());
  if (output) *output = ReadFile(outputFile);
  DeleteFileA(statusFile.c_str());
  DeleteFileA(outputFile.c_str());
  return status;
}
