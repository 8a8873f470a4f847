// Command dispatch, the failure line, and reading a capture file the way the
// program does.
#include "cli/CliCommands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "cli/CliPanes.h"
#include "cli/ConsoleOutput.h"
#include "packet/CaptureFile.h"

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
    case CliCommand::Help:
      break;
  }
  return ReportFailure(streams, "no command to run");
}

int ReportFailure(const CliStreams& streams, const std::string& message) {
  std::fprintf(streams.err, "kestrel-cli: %s\n", message.c_str());
  return 1;
}

bool LoadCaptureInput(const std::string& path, PacketStore& store, const CliStreams& streams) {
  // The loader only says "invalid"; the system's reason is clearer for a file
  // that is missing, unreadable or a folder.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    ReportFailure(streams, "cannot open '" + path + "': " + std::strerror(errno));
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    ReportFailure(streams, "cannot open '" + path + "': " + std::strerror(EISDIR));
    return false;
  }
  FILE* probe = std::fopen(path.c_str(), "rb");
  if (probe == nullptr) {
    ReportFailure(streams, "cannot open '" + path + "': " + std::strerror(errno));
    return false;
  }
  std::fclose(probe);

  SilentProgressBar progress;
  RecordingMessageBoxes boxes;
  IgnoredCaptureRequests requests;
  if (LoadCaptureFile(path.c_str(), store, progress, boxes, requests) != 1) {
    ReportFailure(streams, "'" + path + "' is not a valid capture file");
    return false;
  }
  // A warning while loading (memory ran out) means records are missing.
  if (!boxes.warnings().empty()) {
    std::fprintf(streams.err, "kestrel-cli: cannot load '%s' whole: ", path.c_str());
    ConsoleOutput(streams.err, streams.cp932).Line(boxes.warnings().front());
    return false;
  }
  return true;
}
