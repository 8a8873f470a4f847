// CreateProcessW of kestrel-cli.exe with its output in two inherited files;
// the arguments are quoted as CommandLineToArgvW splits them.
#include <windows.h>

#include <cstdlib>

#include "log/WideText.h"
#include "cli/support/RunCli.h"
#include "support/TempDir.h"

namespace {

std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    // Backslashes before a quote are doubled, and the quote escaped.
    if (c == L'"') quoted.append(backslashes + 1, L'\\');
    backslashes = c == L'\\' ? backslashes + 1 : 0;
    quoted.push_back(c);
  }
  return quoted.append(backslashes, L'\\') + L"\"";
}

HANDLE InheritableOutput(const wchar_t* path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string&) {
  CliRun run;
  const char* program = std::getenv("KESTREL_CLI");
  if (program == nullptr) program = KESTREL_CLI_PATH;
  std::wstring command_line = Quoted(WideFromUtf8(program));
  for (const std::string& arg : args) command_line += L" " + Quoted(WideFromUtf8(arg));

  HANDLE out = InheritableOutput(L"cli-stdout.txt");
  HANDLE err = InheritableOutput(L"cli-stderr.txt");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                       CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  if (started) {
    DWORD status = 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    if (GetExitCodeProcess(process.hProcess, &status)) run.exit_status = static_cast<int>(status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  run.out = ReadFileBytes("cli-stdout.txt");
  run.err = ReadFileBytes("cli-stderr.txt");
  DeleteFileW(L"cli-stdout.txt");
  DeleteFileW(L"cli-stderr.txt");
  return run;
}
