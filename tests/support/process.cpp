#include "process.h"

#include <cstdio>
#include <cstdlib>

#include "wait.h"

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
  if (IsRunning()) TerminateProcess(info_.hProcess, 1), WaitForSingleObject(info_.hProcess, 5000);
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
  info_ = {};
}

std::string ProgramDir() {
  char path[MAX_PATH];
  std::string dir(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
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
  return quoted.append(backslashes * 2, '\\') + '"';
}

namespace {

bool Start(const char* path, std::string commandLine, PROCESS_INFORMATION& info) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  info = {};
  return CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info) != FALSE;
}

// A name no other test or run uses at the same time.
std::string UniqueName(const std::string& prefix) {
  static unsigned counter = 0;
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
         "-" + std::to_string(++counter);
}

std::string ReadFile(const std::string& path) {
  std::string text;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      text.append(buffer, got);
    std::fclose(file);
  }
  return text;
}

}  // namespace

Program StartProgram(const std::string& exeName, const std::string& args) {
  std::string path = exeName.find(':') != std::string::npos ? exeName : ProgramDir() + exeName;
  if (path.size() < 4 || _stricmp(path.c_str() + path.size() - 4, ".exe") != 0) path += ".exe";
  PROCESS_INFORMATION info;
  if (!Start(path.c_str(), QuoteArgument(path) + (args.empty() ? "" : " " + args), info))
    return Program();
  return Program(info);
}

std::vector<HWND> StartReporting(Program& program, const std::string& exeName,
                                 const std::string& args, size_t count) {
  char dir[MAX_PATH] = "";
  GetTempPathA(sizeof dir, dir);
  const std::string report = UniqueName(std::string(dir) + "flipdeck-report-") + ".txt";
  program = StartProgram(exeName, QuoteArgument(report) + " " + args);
  std::vector<HWND> handles;
  // Read until complete: under Wine a renamed file can show up before its contents do.
  const auto read = [&] {
    handles.clear();
    std::string text = ReadFile(report);
    for (const char* p = text.c_str(); *p;) {
      char* end = nullptr;
      const unsigned long value = std::strtoul(p, &end, 10);
      if (end == p) break;
      handles.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)));
      p = end;
    }
    return handles.size() >= count;
  };
  if (program.IsStarted()) WaitUntil([&] { return read() || !program.IsRunning(); }, 60000);
  read();
  DeleteFileA(report.c_str());
  return handles;
}

int RunUnix(const std::string& shellCommand, std::string* output, DWORD timeoutMs) {
  // Wine gives no usable handle for a Unix process: the shell reports its end through a
  // status file it renames into place, seen from here on Z:, the Unix root.
  const std::string base = UniqueName("/tmp/flipdeck-rununix-");
  std::string windows = "Z:" + base;
  for (char& c : windows) c = c == '/' ? '\\' : c;
  // The shell lets go of the test's stdout at once (a command that outlives its timeout
  // must not hold ctest's pipe open), puts the command on lines of its own (a trailing
  // comment must not swallow the rest), and cleans up if the test gave up on it.
  const std::string script = "exec >/dev/null\n(\n" + shellCommand + "\n) >'" + base +
                             ".out' </dev/null\necho $? >'" + base + ".tmp'\nmv '" + base +
                             ".tmp' '" + base + ".status'\n[ -e '" + base +
                             ".abandoned' ] && rm -f '" + base + ".'*\n";
  // Wine gives no usable handles for it (often none at all).
  PROCESS_INFORMATION shell;
  if (!Start(nullptr, "Z:\\bin\\sh -c " + QuoteArgument(script), shell)) return -1;
  if (shell.hThread) CloseHandle(shell.hThread);
  if (shell.hProcess) CloseHandle(shell.hProcess);
  const std::string status = windows + ".status", out = windows + ".out";
  if (!WaitUntil([&] { return GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 timeoutMs)) {
    HANDLE abandoned = CreateFileA((windows + ".abandoned").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
    if (abandoned != INVALID_HANDLE_VALUE) CloseHandle(abandoned);
    return -1;
  }
  const int code = std::atoi(ReadFile(status).c_str());
  if (output) *output = ReadFile(out);
  DeleteFileA(status.c_str());
  DeleteFileA(out.c_str());
  return code;
}
