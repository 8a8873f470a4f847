// Usage errors, --help, then the command.
#include "cli/CliMain.h"

#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "cli/StandardStreams.h"

int RunKestrelCli(const std::vector<std::string>& args) {
  PrepareStandardStreams();
  CliArguments parsed;
  std::string error;
  if (!ParseCliArguments(args, parsed, error)) {
    WriteStreamText(stderr, "kestrel-cli: " + error + " (see kestrel-cli --help)\n");
    return 2;
  }
  if (parsed.command == CliCommand::Help) {
    const bool written = WriteStreamText(stdout, CliHelpText());
    return written && std::fflush(stdout) == 0 ? 0 : 1;
  }
  return RunCliCommand(parsed, CliStreams{stdout, stderr, parsed.cp932_output});
}
