#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Accepted {
  std::vector<std::string> args;
  CliCommand command;
  std::string input, output;
  bool has_index;
  int32_t index;
  bool cp932;
};

TEST(CliArguments, AcceptsEveryCommandWithItsOperands) {
  const Accepted cases[] = {
      {{"import", "a.pcapng", "b.bin"}, CliCommand::Import, "a.pcapng", "b.bin", false, 0, false},
      {{"export-pcap", "a.bin", "b.pcap"},
       CliCommand::ExportPcap,
       "a.bin",
       "b.pcap",
       false,
       0,
       false},
      {{"report", "a.bin", "r.txt"}, CliCommand::Report, "a.bin", "r.txt", false, 0, false},
      {{"--cp932", "list", "a.bin"}, CliCommand::List, "a.bin", "", false, 0, true},
      {{"show", "a.bin"}, CliCommand::Show, "a.bin", "", false, 0, false},
      {{"show", "a.bin", "2147483647", "--cp932"},
       CliCommand::Show,
       "a.bin",
       "",
       true,
       2147483647,
       true},
      // After "--" a name that starts with a dash is a file.
      {{"list", "--", "-x.bin"}, CliCommand::List, "-x.bin", "", false, 0, false},
      {{"list", "-"}, CliCommand::List, "-", "", false, 0, false},
  };
  for (const Accepted& c : cases) {
    CliArguments args;
    std::string error;
    ASSERT_TRUE(ParseCliArguments(c.args, args, error)) << c.args[0] << ": " << error;
    EXPECT_EQ(args.command, c.command) << c.args[0];
    EXPECT_EQ(args.input, c.input);
    EXPECT_EQ(args.output, c.output);
    EXPECT_EQ(args.has_index, c.has_index);
    EXPECT_EQ(args.index, c.index);
    EXPECT_EQ(args.cp932_output, c.cp932);
  }
}

TEST(CliArguments, TakesTheCaptureOptions) {
  CliArguments args;
  std::string error;
  ASSERT_TRUE(ParseCliArguments({"capture", "-i", "127.0.0.1", "-w", "ring.bin", "--bin", "-c",
                                 "100", "-C", "4294", "-W", "3", "--config", "c.ini", "-G", "60"},
                                args, error))
      << error;
  const CaptureOptions& o = args.capture;
  EXPECT_EQ(args.command, CliCommand::Capture);
  EXPECT_EQ(o.address, "127.0.0.1");
  EXPECT_EQ(o.output, "ring.bin");
  EXPECT_EQ(o.format, CaptureFormat::Bin);
  EXPECT_EQ(o.count, 100u);
  EXPECT_EQ(o.rotate_megabytes, 4294u);
  EXPECT_EQ(o.files, 3u);
  EXPECT_EQ(o.rotate_seconds, 60u);
  EXPECT_EQ(o.config, "c.ini");
  ASSERT_TRUE(ParseCliArguments({"capture", "--list-addresses"}, args, error));
  EXPECT_TRUE(args.capture.list_addresses);
  ASSERT_TRUE(ParseCliArguments({"capture", "--pcapng", "-w", "-"}, args, error));
  EXPECT_EQ(args.capture.format, CaptureFormat::Pcapng);
  EXPECT_EQ(args.capture.output, "-");
}

TEST(CliArguments, HelpWinsOverEverythingElse) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"--help"}, {"-h"}, {"import", "--help"}, {"bogus", "-h"}}) {
    CliArguments args;
    std::string error;
    ASSERT_TRUE(ParseCliArguments(words, args, error));
    EXPECT_EQ(args.command, CliCommand::Help);
  }
  const std::string help = CliHelpText();
  for (const char* word :
       {"import", "export-pcap", "report", "list", "show", "capture", "--list-addresses", "--cp932", "Exit status"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

TEST(CliArguments, RefusesWrongUsageWithAReason) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"frobnicate", "a"},
      {"import", "a.pcap"},
      {"import", "a.pcap", "b.bin", "c"},
      {"list"},
      {"list", "a.bin", "b"},
      {"show", "a.bin", "1", "2"},
      {"show", "a.bin", "-1"},
      {"show", "a.bin", "x"},
      {"show", "a.bin", "1x"},
      {"show", "a.bin", ""},
      {"show", "a.bin", "2147483648"},
      {"show", "a.bin", "99999999999"},
      {"list", "a.bin", "--utf16"},
      {"capture"},
      {"capture", "-w"},
      {"capture", "-w", "a.pcap", "extra"},
      {"capture", "-w", "a.pcap", "--pcapng", "--bin"},
      {"capture", "-w", "-", "-C", "1"},
      {"capture", "-w", "a", "-W", "2"},
      {"capture", "-w", "a", "-c", "0"},
      {"capture", "-w", "a", "-C", "4295"},
      {"capture", "-w", "a", "-G", "1m"},
      {"list", "a.bin", "-i", "127.0.0.1"},
  };
  for (const auto& words : refused) {
    CliArguments args;
    std::string error;
    EXPECT_FALSE(ParseCliArguments(words, args, error)) << (words.empty() ? "" : words[0]);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
