// kestrel-cli from its arguments on: the platform's entry point hands them
// over as UTF-8 (on POSIX systems, the bytes as given) without the program
// name, and returns what this returns as the exit status.
#pragma once

#include <string>
#include <vector>

int RunKestrelCli(const std::vector<std::string>& args);
