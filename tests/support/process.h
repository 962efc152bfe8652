#pragma once
// Starting other programs from a test: the product and the helper apps beside the test
// executable, and Unix commands such as xdotool.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// A started Windows program; one still running when its Program goes is killed.
class Program {
 public:
  Program() = default;
  explicit Program(const PROCESS_INFORMATION& info) : info_(info) {}
  ~Program() { Kill(); }
  Program(Program&& other) noexcept : info_(std::exchange(other.info_, {})) {}
  Program& operator=(Program&& other) noexcept {
    if (this != &other) Kill(), info_ = std::exchange(other.info_, {});
    return *this;
  }
  bool IsStarted() const { return info_.hProcess != nullptr; }
  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  bool IsRunning() const { return IsStarted() && WaitForSingleObject(Handle(), 0) == WAIT_TIMEOUT; }
  bool WaitForExit(DWORD timeoutMs) const;  // pumps this thread's messages meanwhile
  DWORD ExitCode() const;                   // STILL_ACTIVE while running
  void Kill();

 private:
  PROCESS_INFORMATION info_ = {};
};

std::string ProgramDir();  // the test executable's folder, with a trailing backslash
// Quotes one command-line argument the way the C runtime splits it again.
std::string QuoteArgument(const std::string& arg);

// Starts exeName (".exe" may be left out) from ProgramDir(), or from where it says if it
// is a full path. Check IsStarted() on the result.
Program StartProgram(const std::string& exeName, const std::string& args = "");

// StartProgram with a fresh report file as the first argument; waits (a minute at most)
// until the report lists `count` window handles, one decimal number a line.
std::vector<HWND> StartReporting(Program& program, const std::string& exeName,
                                 const std::string& args, size_t count);

// Runs shellCommand with /bin/sh -c: its exit status, or -1 if it did not end within
// timeoutMs. Its standard output goes to *output if given.
int RunUnix(const std::string& shellCommand, std::string* output = nullptr,
            DWORD timeoutMs = 10000);
