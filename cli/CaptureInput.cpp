// The reader's results turned into the command's one-line reasons.
#include "cli/CaptureInput.h"

#include <cerrno>
#include <cstring>

#include "cli/CliFiles.h"
#include "capturefile/CaptureFileReader.h"

namespace {

bool CannotOpen(const std::string& path, const CliStreams& streams, int error_number) {
  ReportFailure(streams, "cannot open '" + path + "': " + std::strerror(error_number));
  return false;
}

// The reader only says "cannot open"; the system's reason is clearer for a
// file that is missing, unreadable or a folder.
bool OpenInput(const std::string& path, CaptureFileReader& reader, const CliStreams& streams) {
  switch (LookUpCliPath(path)) {
    case CliPathKind::Unreachable:
      return CannotOpen(path, streams, errno);
    case CliPathKind::Folder:
      return CannotOpen(path, streams, EISDIR);
    case CliPathKind::Other:
      break;
  }
  if (!reader.Open(OpenCliFile(path, "rb"))) return CannotOpen(path, streams, errno);
  return true;
}

// true for the end of the records; otherwise prints why reading stopped.
bool ReachedTheEnd(CaptureReadResult result, const std::string& path, const CliStreams& streams) {
  switch (result) {
    case CaptureReadResult::Ok:
    case CaptureReadResult::End:
      return true;
    case CaptureReadResult::Invalid:
      ReportFailure(streams, "'" + path + "' is not a valid capture file");
      return false;
    case CaptureReadResult::ReadError:
      ReportFailure(streams, "cannot read '" + path + "': " + std::strerror(errno));
      return false;
    case CaptureReadResult::OutOfMemory:
      ReportFailure(streams, "cannot read '" + path + "': out of memory");
      return false;
  }
  return false;
}

}  // namespace

bool ReadCaptureInput(const std::string& path, const CliStreams& streams,
                      const CaptureRecordVisitor& visit) {
  // A refused file is reported on standard error, with a failing exit status.
  CaptureFileReader reader;
  if (!OpenInput(path, reader, streams)) return false;
  CaptureReadResult result = reader.ReadHeader();
  if (result == CaptureReadResult::Ok) {
    CapturedPacket packet;
    uint64_t index = 0;
    while ((result = reader.Next(packet)) == CaptureReadResult::Ok) {
      if (!visit(index++, packet)) break;
    }
  }
  if (!ReachedTheEnd(result, path, streams)) return false;
  if (!reader.Close()) return ReachedTheEnd(CaptureReadResult::ReadError, path, streams);
  return true;
}

bool CheckCaptureInput(const std::string& path, const CliStreams& streams, uint64_t& count) {
  count = 0;
  return ReadCaptureInput(path, streams, [&count](uint64_t, const CapturedPacket&) {
    ++count;
    return true;
  });
}
