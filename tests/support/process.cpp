#include "process.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "wait.h"

bool Program::WaitForExit(DWORD timeoutMs) const {
  return IsStarted() && WaitForHandle(Handle(), timeoutMs);
}

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (IsStarted()) GetExitCodeProcess(Handle(), &code);
  return code;
}

void Program::Kill() {
  if (IsRunning()) TerminateProcess(Handle(), 1), WaitForSingleObject(Handle(), 5000);
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

PROCESS_INFORMATION Start(const char* path, std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                 &info);
  return info;
}

// A name no other test or run uses at the same time.
std::string UniqueName(const std::string& prefix) {
  static unsigned counter = 0;
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
         "-" + std::to_string(++counter);
}

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

}  // namespace

Program StartProgram(const std::string& exeName, const std::string& args) {
  std::string path = exeName.find(':') != std::string::npos ? exeName : ProgramDir() + exeName;
  if (path.size() < 4 || _stricmp(path.c_str() + path.size() - 4, ".exe") != 0) path += ".exe";
  const PROCESS_INFORMATION info =
      Start(path.c_str(), QuoteArgument(path) + (args.empty() ? "" : " " + args));
  return info.hProcess ? Program(info) : Program();
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
    std::istringstream text(ReadFile(report));
    for (unsigned long value; text >> value;)
      handles.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)));
    return handles.size() >= count;
  };
  if (program.IsStarted()) WaitUntil([&] { return read() || !program.IsRunning(); }, 60000);
  read();
  DeleteFileA(report.c_str());
  return handles;
}

int RunUnix(const std::string& shellCommand, std::string* output, DWORD timeoutMs) {
  // Wine gives no usable handle for a Unix process: the shell reports its end through a
  // status file it renames into place, seen from here on Z:, the Unix root. It lets go of
  // the test's stdout at once (a command that outlives its timeout must not hold ctest's
  // pipe open) and puts the command on lines of its own (a trailing comment must not
  // swallow the rest).
  const std::string base = UniqueName("/tmp/flipdeck-rununix-");
  std::string windows = "Z:" + base;
  for (char& c : windows) c = c == '/' ? '\\' : c;
  const std::string script = "exec >/dev/null\n(\n" + shellCommand + "\n) >'" + base +
                             ".out' </dev/null\necho $? >'" + base + ".tmp'\nmv '" + base +
                             ".tmp' '" + base + ".status'\n";
  const PROCESS_INFORMATION shell = Start(nullptr, "Z:\\bin\\sh -c " + QuoteArgument(script));
  if (shell.hThread) CloseHandle(shell.hThread);
  if (shell.hProcess) CloseHandle(shell.hProcess);
  const std::string status = windows + ".status", out = windows + ".out";
  const bool ended = WaitUntil(
      [&] { return GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
  const int code = ended ? std::atoi(ReadFile(status).c_str()) : -1;
  if (ended && output) *output = ReadFile(out);
  DeleteFileA(status.c_str());
  DeleteFileA(out.c_str());
  return code;
}
