// Runs the built kestrel-cli (or the one $KESTREL_CLI names) in the current directory
// and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

struct CliRun {
  int exit_status = -1;  // -1: did not exit normally
  std::string out;
  std::string err;
};

// `time_zone` becomes the program's TZ (a POSIX rule such as "JST-9"). A
// Windows process keeps the zone Wine gave the whole session from its TZ, so
// under Wine kestrel-cli.exe runs in the test's own zone, whatever is asked:
// the windows build runs the end-to-end tests with TZ=JST-9, the zone of the
// cases that check local times.
CliRun RunCli(const std::vector<std::string>& args, const std::string& time_zone = "UTC0");

// The program RunCli runs.
std::string CliProgramPath();
