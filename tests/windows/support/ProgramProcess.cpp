// Starting, finding and ending the program's own process.
#include "support/ProgramProcess.h"

#include <cstdlib>

#include "support/GuiHarness.h"

std::string ProgramPath() {
  const char* path = std::getenv("KESTREL_APP_EXE");
  std::string windows_path = path != nullptr ? path : "";
  for (char& c : windows_path) {
    if (c == '/') c = '\\';
  }
  return windows_path;
}

Program::Program(const std::string& arguments) {
  std::string command;
  command.append(1, '"').append(ProgramPath()).append(1, '"').append(arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_);
}

Program::~Program() {
  if (!started_) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

long Program::ExitStatus(DWORD timeout_ms) const {
  if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
  DWORD status = 0;
  GetExitCodeProcess(process_.hProcess, &status);
  return static_cast<long>(status);
}

HWND Program::WaitForMainWindow() const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        HWND window = FindWindowA(kAppTitle, nullptr);
        DWORD owner = 0;
        if (window != nullptr) GetWindowThreadProcessId(window, &owner);
        if (owner == id()) found = window;
        return found != nullptr;
      },
      kStartTimeoutMs);
  return found;
}
