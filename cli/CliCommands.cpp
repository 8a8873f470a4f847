// Command dispatch and the failure line.
#include "cli/CliCommands.h"

#include "cli/StandardStreams.h"

int RunCliCommand(const CliArguments& args, const CliStreams& streams) {
  switch (args.command) {
    case CliCommand::Import:
      return RunImport(args, streams);
    case CliCommand::ExportPcap:
      return RunExportPcap(args, streams);
    case CliCommand::Report:
      return RunReport(args, streams);
    case CliCommand::List:
      return RunList(args, streams);
    case CliCommand::Show:
      return RunShow(args, streams);
    case CliCommand::Capture:
      return RunCapture(args, streams);
    case CliCommand::Help:
      break;
  }
  return ReportFailure(streams, "no command to run");
}

int ReportFailure(const CliStreams& streams, const std::string& message) {
  WriteStreamText(streams.err, "kestrel-cli: " + message + "\n");
  return 1;
}
