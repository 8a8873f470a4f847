// kestrel-cli: converts captures between pcap and the program's capture file,
// and prints or writes the texts the program shows, from the same core code.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  CliArguments args;
  std::string error;
  if (!ParseCliArguments(words, args, error)) {
    std::fprintf(stderr, "kestrel-cli: %s (see kestrel-cli --help)\n", error.c_str());
    return 2;
  }
  if (args.command == CliCommand::Help) {
    std::fputs(CliHelpText(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // Listings run to millions of lines: into a file or a pipe they go in large
  // blocks, on a terminal line by line as usual.
  if (isatty(fileno(stdout)) == 0) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
  return RunCliCommand(args, CliStreams{stdout, stderr, args.cp932_output});
}
