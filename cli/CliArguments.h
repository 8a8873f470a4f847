// The command line of kestrel-cli: one command, its file operands, an optional
// packet index for `show`, the options --cp932 and --help, and the options of
// `capture`, named as the standard capture tools name them. Parsing is a pure
// function so that every refusal is testable without running the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand { Help, Import, ExportPcap, Report, List, Show, Capture };

enum class CaptureFormat { Pcap, Pcapng, Bin };

struct CaptureOptions {
  bool list_addresses = false;
  std::string address;  // -i; empty: the automatic rule
  std::string output;   // -w; "-" is standard output
  CaptureFormat format = CaptureFormat::Pcap;
  uint64_t count = 0;             // -c; 0: until stopped
  uint32_t rotate_seconds = 0;    // -G; 0: no new file by time
  uint32_t rotate_megabytes = 0;  // -C, in units of 1,000,000 bytes; 0: no new file by size
  uint32_t files = 0;             // -W; 0: no limit
  std::string config;             // --config; empty: every packet is kept
};

struct CliArguments {
  CliCommand command = CliCommand::Help;
  std::string input;
  std::string output;      // import, export-pcap, report
  bool has_index = false;  // show: one packet instead of all
  int32_t index = 0;
  bool cp932_output = false;  // standard output in code page 932 instead of UTF-8
  CaptureOptions capture;
};

// Parses argv[1...] (without the program name). Returns true and fills `out`,
// or false with a one-line reason in `error` (a usage error).
bool ParseCliArguments(const std::vector<std::string>& args, CliArguments& out, std::string& error);

// The text printed by --help.
const char* CliHelpText();
