// The command line of kestrel-cli: one command, its file operands, an optional
// packet index for `show`, and the options --cp932 and --help. Parsing is a
// pure function so that every refusal is testable without running the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand { Help, Import, ExportPcap, Report, List, Show };

struct CliArguments {
  CliCommand command = CliCommand::Help;
  std::string input;
  std::string output;      // import, export-pcap, report
  bool has_index = false;  // show: one packet instead of all
  int32_t index = 0;
  bool cp932_output = false;  // standard output in code page 932 instead of UTF-8
};

// Parses argv[1...] (without the program name). Returns true and fills `out`,
// or false with a one-line reason in `error` (a usage error).
bool ParseCliArguments(const std::vector<std::string>& args, CliArguments& out, std::string& error);

// The text printed by --help.
const char* CliHelpText();
