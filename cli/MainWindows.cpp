// kestrel-cli.exe: converts captures between pcap and the program's capture
// file, and prints or writes the texts the program shows, from the same core
// code. The arguments are taken as UTF-16 (wmain), so that file names with
// characters outside the system's code page arrive whole, and kept as UTF-8.
#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "log/WideText.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromWide(argv[i]));
  return RunKestrelCli(args);
}
