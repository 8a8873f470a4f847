// The commands of kestrel-cli. Each prints its results on `out`, any problem as
// one "kestrel-cli: ..." line on `err`, and returns the exit status: 0 success,
// 1 failure.
#pragma once

#include <cstdio>
#include <string>

#include "cli/CliArguments.h"
#include "packet/PacketStore.h"

struct CliStreams {
  FILE* out;
  FILE* err;
  bool cp932;  // print the core's texts as code page 932 instead of UTF-8
};

// Runs any command but Help.
int RunCliCommand(const CliArguments& args, const CliStreams& streams);

int RunImport(const CliArguments& args, const CliStreams& streams);
int RunExportPcap(const CliArguments& args, const CliStreams& streams);
int RunReport(const CliArguments& args, const CliStreams& streams);
int RunList(const CliArguments& args, const CliStreams& streams);
int RunShow(const CliArguments& args, const CliStreams& streams);
int RunCapture(const CliArguments& args, const CliStreams& streams);

// Prints "kestrel-cli: `message`" and returns 1.
int ReportFailure(const CliStreams& streams, const std::string& message);
