// kestrel-cli: converts captures between pcap and the program's capture file,
// and prints or writes the texts the program shows, from the same core code.
// File names are bytes on POSIX systems and pass through unchanged.
#include <string>
#include <vector>

#include "cli/CliMain.h"

int main(int argc, char** argv) {
  return RunKestrelCli(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
