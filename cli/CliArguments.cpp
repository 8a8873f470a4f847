// Command-line parsing and the --help text of kestrel-cli.
#include "cli/CliArguments.h"

#include <cstddef>

namespace {

struct CommandShape {
  const char* name;
  CliCommand command;
  size_t min_operands;
  size_t max_operands;
};

constexpr CommandShape kCommands[] = {
    {"import", CliCommand::Import, 2, 2}, {"export-pcap", CliCommand::ExportPcap, 2, 2},
    {"report", CliCommand::Report, 2, 2}, {"list", CliCommand::List, 1, 1},
    {"show", CliCommand::Show, 1, 2},     {"capture", CliCommand::Capture, 0, 0},
};

const CommandShape* FindCommand(const std::string& name) {
  for (const CommandShape& shape : kCommands) {
    if (name == shape.name) return &shape;
  }
  return nullptr;
}

// A packet index: decimal digits only, within the signed 32-bit range.
bool ParseIndex(const std::string& text, int32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  return true;
}

// A count or size option's value: decimal digits, 1 to `limit`.
bool ParsePositive(const std::string& text, uint64_t limit, uint64_t& out) {
  if (text.empty() || text.size() > 19) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0 || value > limit) return false;
  out = value;
  return true;
}

// Takes a capture option and, for those that have one, its value from
// args[i + 1]. false with the reason when the value is missing or wrong.
bool TakeCaptureOption(const std::vector<std::string>& args, size_t& i, CaptureOptions& options,
                       std::string& error) {
  const std::string& name = args[i];
  if (name == "--list-addresses") {
    options.list_addresses = true;
    return true;
  }
  if (name == "--pcapng" || name == "--bin") {
    const CaptureFormat format = name == "--bin" ? CaptureFormat::Bin : CaptureFormat::Pcapng;
    if (options.format != CaptureFormat::Pcap && options.format != format) {
      error = "--pcapng and --bin exclude each other";
      return false;
    }
    options.format = format;
    return true;
  }
  if (i + 1 >= args.size()) {
    error = "option '" + name + "' needs a value";
    return false;
  }
  const std::string& value = args[++i];
  uint64_t number = 0;
  const auto numeric = [&](uint64_t limit) {
    if (ParsePositive(value, limit, number)) return true;
    error = "invalid value '" + value + "' for '" + name + "'";
    return false;
  };
  if (name == "-i") {
    options.address = value;
  } else if (name == "-w") {
    options.output = value;
  } else if (name == "--config") {
    options.config = value;
  } else if (name == "-c") {
    if (!numeric(UINT64_MAX / 10)) return false;
    options.count = number;
  } else if (name == "-G") {
    if (!numeric(UINT32_MAX)) return false;
    options.rotate_seconds = static_cast<uint32_t>(number);
  } else if (name == "-C") {
    if (!numeric(UINT32_MAX / 1000000)) return false;
    options.rotate_megabytes = static_cast<uint32_t>(number);
  } else {
    if (!numeric(1000000)) return false;
    options.files = static_cast<uint32_t>(number);
  }
  return true;
}

bool IsCaptureOption(const std::string& arg) {
  static const char* const kNames[] = {"-i", "-w",       "-c",       "-G",    "-C",
                                       "-W", "--config", "--pcapng", "--bin", "--list-addresses"};
  for (const char* name : kNames) {
    if (arg == name) return true;
  }
  return false;
}

// The combinations `capture` refuses.
bool CheckCaptureOptions(const CaptureOptions& o, std::string& error) {
  if (o.list_addresses) return true;
  if (o.output.empty()) {
    error = "'capture' needs -w FILE (or -w - for standard output)";
  } else if ((o.rotate_seconds != 0 || o.rotate_megabytes != 0) && o.output == "-") {
    error = "-G and -C need a file name, not standard output";
  } else if (o.files != 0 && o.rotate_seconds == 0 && o.rotate_megabytes == 0) {
    error = "-W needs -G or -C";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool ParseCliArguments(const std::vector<std::string>& args, CliArguments& out,
                       std::string& error) {
  CliArguments parsed;
  std::vector<std::string> words;
  bool help = false;
  bool options_ended = false;
  std::string capture_option;  // the first one given
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--cp932") {
      parsed.cp932_output = true;
    } else if (IsCaptureOption(arg)) {
      if (capture_option.empty()) capture_option = arg;
      if (!TakeCaptureOption(args, i, parsed.capture, error)) return false;
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (help) {
    parsed.command = CliCommand::Help;
    out = parsed;
    return true;
  }
  if (words.empty()) {
    error = "no command given";
    return false;
  }

  const CommandShape* shape = FindCommand(words[0]);
  if (shape == nullptr) {
    error = "unknown command '" + words[0] + "'";
    return false;
  }
  const size_t operands = words.size() - 1;
  if (operands < shape->min_operands) {
    error = std::string("too few arguments for '") + shape->name + "'";
    return false;
  }
  if (operands > shape->max_operands) {
    error = std::string("too many arguments for '") + shape->name + "'";
    return false;
  }

  parsed.command = shape->command;
  if (shape->command == CliCommand::Capture) {
    if (!CheckCaptureOptions(parsed.capture, error)) return false;
    out = parsed;
    return true;
  }
  if (!capture_option.empty()) {
    error = "option '" + capture_option + "' is only for 'capture'";
    return false;
  }
  parsed.input = words[1];
  if (shape->command == CliCommand::Show) {
    if (operands == 2) {
      if (!ParseIndex(words[2], parsed.index)) {
        error = "invalid packet index '" + words[2] + "'";
        return false;
      }
      parsed.has_index = true;
    }
  } else if (operands == 2) {
    parsed.output = words[2];
  }
  out = parsed;
  return true;
}

const char* CliHelpText() {
  return R"(Usage: kestrel-cli [--cp932] COMMAND ARGUMENTS...
       kestrel-cli capture [-i ADDRESS] -w FILE|- [OPTIONS]

The command-line companion of Kestrel_Scan. It converts captures between the
program's binary capture file (.bin) and pcap, and prints or writes the texts
the program's window and text export show.

Commands:
  import IN.pcap|IN.pcapng OUT.bin
      Reads a pcap or pcapng capture and writes the IPv4 datagrams it holds as
      a capture file, exactly as the program saves one. Accepted link types:
      Ethernet (with any number of 802.1Q / 802.1ad VLAN tags), Linux cooked
      capture v1 and v2, raw IP (IPv4 packets only) and IPv4. Each datagram
      runs from its IPv4 header to the end of the captured bytes, cut to the
      header's total length when the frame carries padding or a trailer, and
      to at most 65535 bytes. Time stamps become local time (the TZ in effect),
      truncated to whole milliseconds. Frames that hold no IPv4 datagram (ARP,
      IPv6, ...) or are too short for an IPv4 header are skipped. Prints how
      many packets were read, kept and skipped. A capture that ends early or
      is damaged part way keeps the packets before the damage; the reason is
      reported on standard error.
  export-pcap IN.bin OUT.pcap
      Writes the capture file's packets as a classic pcap file (link type raw
      IPv4, snapshot length 65535), the local receive times turned back into
      UTC with the time zone in effect.
  report IN.bin OUT.txt
      Writes the program's text report of the capture file (code page 932,
      CR LF line ends); its header carries the time of the export.
  list IN.bin
      Prints one line per packet: the 14 cells of the packet list, separated
      by tabs (the last one is always empty).
  show IN.bin [INDEX]
      Prints the detail tree of packet INDEX (counting from 0), every branch
      open and indented by two blanks per level, then its hex dump. Without
      INDEX every packet is printed, each after a "Packet N" line.
  capture [-i ADDRESS] -w FILE|- [--pcapng|--bin] [-c COUNT]
          [-G SECONDS] [-C MEGABYTES] [-W FILES] [--config FILE]
      Captures the IPv4 datagrams of the interface that holds ADDRESS, both
      directions and every protocol, with the program's own capture socket
      (administrator rights on Windows, root or CAP_NET_RAW on Linux), and
      writes them as they come to FILE, or with -w - to standard output:
      pcap (raw IPv4, microsecond UTC time stamps) by default, pcapng with
      --pcapng, the program's capture file with --bin. Without -i the address
      is chosen as the program chooses it automatically; 127.0.0.1 captures
      the host's traffic with itself. Runs until COUNT packets are written
      (-c) or until Ctrl+C (SIGINT, SIGTERM, or the console's close), then
      closes its files and prints on standard error how many packets were
      seen, kept and written (on Linux also those the kernel dropped).
      -G SECONDS begins a new file every SECONDS, its name FILE passed through
      strftime; -C MEGABYTES begins a new file before one would grow past
      MEGABYTES million bytes, numbered FILE, FILE1, FILE2...; with -W FILES
      the numbers go round FILES files (FILE0, FILE1...), the oldest
      overwritten, and with -G alone at most FILES files are kept, the oldest
      removed. --config FILE keeps only what the program's filter keeps with
      FILE as its config.ini (protocol switches and address/port rules,
      followed while it changes); without it every packet is kept.
  capture --list-addresses
      Prints what -i takes, one a line: auto and the address it stands for
      now, each address of the host, 127.0.0.1.

Options:
  --cp932     Print in code page 932 (Shift-JIS) instead of UTF-8.
  -h, --help  Print this help and exit.
  --          Treat every following argument as a command or file name.

Every command streams: it reads and writes one packet at a time, so its
memory stays at a few megabytes whatever the size of the capture. Capture
files are read with the program's own checks: a file with a wrong signature
or an oversized record is refused before anything is printed or written (the
reason goes to standard error; no ./error.log is written); a file that ends
inside a record gives the complete records before it. Files are written in
code page 932 like the program's, to a temporary name beside the output that
is renamed only when the file is complete. Standard output uses LF line ends;
control characters in a hex dump's character column are printed as '.', so
packet bytes cannot drive the terminal. On a Windows console the text is shown
as Unicode whatever the console's code page; redirected, it is UTF-8 (or code
page 932 with --cp932) as on Linux. File names may hold any character.

Exit status: 0 success, 1 failure (unreadable or invalid input, unwritable
output; for capture also no rights or an address the host does not have, told
before any file is created), 2 wrong usage.
)";
}
