#pragma once
// Starting other programs from a test: the product and the helper apps from
// bin/ beside the test executable, and Unix commands such as xdotool.
#include <windows.h>

#include <string>
#include <vector>

// A started Windows program. Owns its handles; a program still running when
// its Program goes out of scope is killed.
class Program {
 public:
  Program() = default;
  explicit Program(const PROCESS_INFORMATION& info) : info_(info) {}
  ~Program();
  Program(Program&& other) noexcept;
  Program& operator=(Program&& other) noexcept;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool IsStarted() const { return info_.hProcess != nullptr; }
  HANDLE Handle() const { return info_.hProcess; }
  DWORD Id() const { return info_.dwProcessId; }
  bool IsRunning() const;
  // Pumps this thread's messages while waiting; true if it exited in time.
  bool WaitForExit(DWORD timeoutMs) const;
  // STILL_ACTIVE while running.
  DWORD ExitCode() const;
  // Terminates it (exit code 1) and waits until it is gone.
  void Kill();

 private:
  void Close();
  PROCESS_INFORMATION info_ = {};
};

// The folder of the running test executable, with a trailing backslash.
std::string ProgramDir();

// Starts exeName (".exe" may be left out) from ProgramDir(), or from where it
// says if it is a full path, with the given arguments. Check IsStarted() on
// the result.
Program StartProgram(const std::string& exeName, const std::string& args = "");

// Starts exeName like StartProgram with a fresh report file as its first argument, and
// waits until the report lists `count` window handles, one decimal number a line, as the
// helper apps in tests/apps write them. Returns the handles read: fewer if they did not
// all come within a minute or the program ended first.
std::vector<HWND> StartReporting(Program& program, const std::string& exeName,
                                 const std::string& args, size_t count);

// Quotes one command-line argument the way the C runtime splits it again.
std::string QuoteArgument(const std::string& arg);

// Runs shellCommand with /bin/sh -c on the Unix side (DISPLAY is the
// session's) and waits for it. Returns its exit status, or -1 if it did not
// finish within timeoutMs. Its standard output goes to *output if given;
// its standard error goes to the test's.
int RunUnix(const std::string& shellCommand, std::string* output = nullptr,
            DWORD timeoutMs = 10000);
