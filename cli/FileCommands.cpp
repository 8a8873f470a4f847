// The commands that write a file: import (pcap to capture file), export-pcap
// and report. Each streams its input into a temporary file that replaces the
// output only when it is complete.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/AtomicOutputFile.h"
#include "cli/CaptureFileWriter.h"
#include "cli/CaptureInput.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/PcapExport.h"
#include "cli/PcapImport.h"
#include "cli/StandardStreams.h"
#include "log/BufferedFileWriter.h"
#include "views/TextReport.h"

namespace {

// Starts the disk writing a growing output every 64 MiB (see
// AtomicOutputFile::StartWriteBack).
class WriteBackPacer {
 public:
  explicit WriteBackPacer(AtomicOutputFile& output) : output_(output) {}
  void Wrote(size_t bytes) {
    pending_ += bytes;
    if (pending_ < kStep) return;
    output_.StartWriteBack();
    pending_ = 0;
  }

 private:
  static constexpr size_t kStep = size_t{64} << 20;
  AtomicOutputFile& output_;
  size_t pending_ = 0;
};

int CannotWrite(const CliStreams& streams, const std::string& path, const std::string& reason) {
  return ReportFailure(streams, "cannot write '" + path + "': " + reason);
}

}  // namespace

int RunImport(const CliArguments& args, const CliStreams& streams) {
  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  CaptureFileWriter writer;
  if (!writer.Open(output.temporary_path(), error)) return CannotWrite(streams, args.output, error);

  PcapImportCounts counts;
  std::string message;
  WriteBackPacer pacer(output);
  const PcapImportResult result = ImportPcapFile(
      args.input,
      [&](const CapturedPacket& datagram) {
        pacer.Wrote(datagram.size);
        return writer.Write(datagram);
      },
      counts, message);
  if (!writer.Close(error)) return CannotWrite(streams, args.output, error);
  if (result == PcapImportResult::Failed) {
    return ReportFailure(streams, "cannot import '" + args.input + "': " + message);
  }
  if (!output.Commit(error)) return ReportFailure(streams, error);

  if (result == PcapImportResult::Partial) {
    ReportFailure(streams, "warning: '" + args.input + "' could not be read to the end (" +
                               message + "); the packets before that point were imported");
  }
  const uint64_t skipped = counts.not_ipv4 + counts.malformed;
  char summary[160];
  std::snprintf(
      summary, sizeof summary,
      "read %llu packets: kept %llu, skipped %llu (%llu not IPv4, %llu malformed)\n",
      static_cast<unsigned long long>(counts.read), static_cast<unsigned long long>(counts.kept),
      static_cast<unsigned long long>(skipped), static_cast<unsigned long long>(counts.not_ipv4),
      static_cast<unsigned long long>(counts.malformed));
  WriteStreamText(streams.out, summary);
  return 0;
}

int RunExportPcap(const CliArguments& args, const CliStreams& streams) {
  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  PcapFileWriter writer;
  if (!writer.Open(output.temporary_path(), error)) return CannotWrite(streams, args.output, error);
  // A file found invalid part way is refused whole: the temporary is discarded.
  WriteBackPacer pacer(output);
  const bool read = ReadCaptureInput(args.input, streams, [&](uint64_t, const CapturedPacket& p) {
    pacer.Wrote(p.size);
    return writer.Write(p);
  });
  if (!writer.Close(error)) return CannotWrite(streams, args.output, error);
  if (!read) return 1;
  if (!output.Commit(error)) return ReportFailure(streams, error);

  if (writer.counts().bad_time > 0) {
    ReportFailure(streams, "warning: " + std::to_string(writer.counts().bad_time) +
                               " packets have a receive time that a pcap file cannot hold; "
                               "they were written with the time 1970-01-01 00:00:00 UTC");
  }
  return 0;
}

int RunReport(const CliArguments& args, const CliStreams& streams) {
  // The header counts the records, so a first pass counts them.
  uint64_t count = 0;
  if (!CheckCaptureInput(args.input, streams, count)) return 1;

  AtomicOutputFile output;
  std::string error;
  if (!output.Create(args.output, error)) return ReportFailure(streams, error);
  BufferedFileWriter file;
  if (!file.OpenDescriptor(OpenCliFileForWriting(output.temporary_path())) ||
      !WriteTextReportHeader(file, static_cast<uint32_t>(count))) {
    return CannotWrite(streams, args.output, std::strerror(errno));
  }
  std::string text;
  bool out_of_memory = false;
  WriteBackPacer pacer(output);
  const bool read = ReadCaptureInput(args.input, streams, [&](uint64_t i, const CapturedPacket& p) {
    // A packet whose IP header does not decode leaves no trace; the following
    // packets keep their own index.
    text.clear();
    const int appended = AppendPacketReport(text, static_cast<int32_t>(i), p);
    if (appended < 0) out_of_memory = true;
    pacer.Wrote(text.size());
    return appended >= 0 && file.Write(text);
  });
  if (!file.Close()) return CannotWrite(streams, args.output, std::strerror(errno));
  if (out_of_memory) return CannotWrite(streams, args.output, "out of memory");
  if (!read) return 1;
  if (!output.Commit(error)) return ReportFailure(streams, error);
  return 0;
}
