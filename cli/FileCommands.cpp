// The commands that write a file: import (pcap to capture file), export-pcap
// and report. Each writer works on a temporary file that replaces the output
// only when it is complete.
#include "cli/AtomicOutputFile.h"
#include "cli/CliCommands.h"
#include "cli/CliPanes.h"
#include "cli/PcapExport.h"
#include "cli/PcapImport.h"
#include "packet/CaptureFile.h"
#include "packet/TextReport.h"

namespace {

std::string CannotWrite(const std::string& path) {
  return "cannot write '" + path + "'";
}

}  // namespace

int RunImport(const CliArguments& args, const CliStreams& streams) {
  PacketStore store;
  store.Init();  // no size limit
  PcapImportCounts counts;
  std::string message;
  const PcapImportResult result = ImportPcapFile(args.input, store, counts, message);
  if (result == PcapImportResult::Failed) {
    return ReportFailure(streams, "cannot import '" + args.input + "': " + message);
  }

  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  SilentProgressBar progress;
  RecordingMessageBoxes boxes;
  if (SaveCaptureFile(output.temporary_path().c_str(), store, progress, boxes) != 1) {
    return ReportFailure(streams, CannotWrite(args.output));
  }
  if (!output.Commit(error)) return ReportFailure(streams, error);

  if (result == PcapImportResult::Partial) {
    ReportFailure(streams, "warning: '" + args.input + "' could not be read to the end (" +
                               message + "); the packets before that point were imported");
  }
  const uint64_t skipped = counts.not_ipv4 + counts.malformed;
  std::fprintf(
      streams.out, "read %llu packets: kept %llu, skipped %llu (%llu not IPv4, %llu malformed)\n",
      static_cast<unsigned long long>(counts.read), static_cast<unsigned long long>(counts.kept),
      static_cast<unsigned long long>(skipped), static_cast<unsigned long long>(counts.not_ipv4),
      static_cast<unsigned long long>(counts.malformed));
  return 0;
}

int RunExportPcap(const CliArguments& args, const CliStreams& streams) {
  PacketStore store;
  if (!LoadCaptureInput(args.input, store, streams)) return 1;

  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  PcapExportCounts counts;
  if (!ExportPcapFile(output.temporary_path(), store, counts, error)) {
    return ReportFailure(streams, CannotWrite(args.output) + ": " + error);
  }
  if (!output.Commit(error)) return ReportFailure(streams, error);

  if (counts.bad_time > 0) {
    ReportFailure(streams, "warning: " + std::to_string(counts.bad_time) +
                               " packets have a receive time that a pcap file cannot hold; "
                               "they were written with the time 1970-01-01 00:00:00 UTC");
  }
  return 0;
}

int RunReport(const CliArguments& args, const CliStreams& streams) {
  PacketStore store;
  if (!LoadCaptureInput(args.input, store, streams)) return 1;

  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  SilentProgressBar progress;
  RecordingMessageBoxes boxes;
  if (ExportTextReport(output.temporary_path().c_str(), store, progress, boxes) != 1) {
    return ReportFailure(streams, CannotWrite(args.output));
  }
  if (!output.Commit(error)) return ReportFailure(streams, error);
  return 0;
}
