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
       {"import", "export-pcap", "report", "list", "show", "--cp932", "Exit status"}) {
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
  };
  for (const auto& words : refused) {
    CliArguments args;
    std::string error;
    EXPECT_FALSE(ParseCliArguments(words, args, error)) << (words.empty() ? "" : words[0]);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
