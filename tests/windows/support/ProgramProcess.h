// The real Kestrel_Scan.exe as a process of its own, for the tests that start
// it the way a user does (its path comes from KESTREL_APP_EXE). It runs in the
// test's current directory; one that is still running when the object goes is
// terminated.
#pragma once

#include <windows.h>

#include <string>

inline constexpr const char* kAppTitle = "Kestrel_Scan Ver 1.0.1.0";
inline constexpr DWORD kStartTimeoutMs = 20000;

// KESTREL_APP_EXE with backslashes; empty when it is not set.
std::string ProgramPath();

class Program {
 public:
  // Starts the program with `arguments` appended to its quoted path.
  explicit Program(const std::string& arguments = "");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return process_.dwProcessId; }

  // The exit status, or -1 when the process has not ended within `timeout_ms`.
  long ExitStatus(DWORD timeout_ms) const;

  // Its main window (class and caption kAppTitle), once it exists.
  HWND WaitForMainWindow() const;

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};
