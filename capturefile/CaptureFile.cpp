// Saving the store to a capture file and loading one back, in the layout of
// capturefile/CaptureFileFormat.h. Loading reads through the capture-file reader,
// which holds the rules for what a valid file is; here only the store's
// refusals are added to them.
#include "capturefile/CaptureFile.h"

#include "capturefile/CaptureFileReader.h"
#include "log/ReplacingFile.h"
#include "views/FileProgress.h"

namespace {

// Loads of this many records have the store touch its blocks ahead on another
// thread; smaller ones are over before the helper would pay for itself.
constexpr int64_t kTouchAheadRecords = 100000;

// Hands the header and every record to the writer. false at the first failed
// write, or when `keep_going` ends the save: it stops there.
bool WriteCaptureFile(BufferedFileWriter& out, const PacketStore& store, uint32_t count,
                      FileProgress& progress, const KeepGoing& keep_going) {
  if (!WriteCaptureFileHeader(out, count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (!keep_going()) return false;
    // A record the store no longer holds is left out; the header still counts it.
    CapturedPacket packet;
    if (store.Get(static_cast<int32_t>(i), packet) && !WriteCaptureRecord(out, packet)) {
      return false;
    }
    progress.RecordDone();
  }
  progress.Finish();
  return true;
}

FileOutcome OutcomeOfRead(CaptureReadResult result) {
  switch (result) {
    case CaptureReadResult::Ok:
    case CaptureReadResult::End:
      return FileOutcome::Loaded;
    case CaptureReadResult::Invalid:
      return FileOutcome::InvalidFile;
    case CaptureReadResult::ReadError:
      return FileOutcome::Unreadable;
    case CaptureReadResult::OutOfMemory:
      return FileOutcome::OutOfMemory;
  }
  return FileOutcome::Unreadable;
}

// Adds the records up to the end of the file to the store, until the file, the
// store or `keep_going` ends the load.
FileOutcome AddRecords(CaptureFileReader& reader, PacketStore& store, FileProgress& progress,
                       const KeepGoing& keep_going, const std::function<void()>& stored) {
  // A few hundred records of a few hundred bytes stay in the cache.
  constexpr uint32_t kStoredEvery = 512;
  uint32_t since_stored = 0;
  FileOutcome outcome = FileOutcome::CutShort;
  while (keep_going()) {
    CapturedPacket packet;
    const CaptureReadResult read = reader.Next(packet);
    if (read != CaptureReadResult::Ok) {
      outcome = OutcomeOfRead(read);
      break;
    }
    const uint8_t added = store.Add(packet.data, packet.size, packet.time);
    if (added != PacketStore::kAddStored) {
      outcome = added == PacketStore::kAddFull ? FileOutcome::StoreFull : FileOutcome::OutOfMemory;
      break;
    }
    progress.RecordDone();
    if (++since_stored == kStoredEvery && stored) {
      stored();
      since_stored = 0;
    }
  }
  if (since_stored != 0 && stored) stored();
  return outcome;
}

}  // namespace

bool WriteCaptureFileHeader(BufferedFileWriter& out, uint32_t count) {
  uint8_t header[kCaptureFileHeaderSize];
  EncodeCaptureFileHeader(header, count);
  return out.Write(header, sizeof header);
}

bool WriteCaptureRecord(BufferedFileWriter& out, const CapturedPacket& packet) {
  uint8_t header[kCaptureRecordHeaderSize];
  EncodeCaptureRecordHeader(header, packet.size, packet.time);
  return out.Write(header, sizeof header) && out.Write(packet.data, packet.size);
}

FileOutcome SaveCaptureFile(const char* path, const PacketStore& store, ProgressBar& progress,
                            const KeepGoing& keep_going) {
  const uint32_t count = store.Count();
  FileProgress file_progress(progress, count);
  ReplacingFile file;
  const bool complete =
      file.Open(path) && WriteCaptureFile(file.writer(), store, count, file_progress, keep_going);
  const FileOutcome outcome = EndOfWrite(file, complete, keep_going);
  progress.SetPosition(0);
  return outcome;
}

FileOutcome LoadCaptureFile(const char* path, PacketStore& store, ProgressBar& progress,
                            const KeepGoing& keep_going, const std::function<void()>& stored) {
  CaptureFileReader reader;
  if (!reader.Open(path)) return FileOutcome::Unreadable;

  // A file that ends inside the header is an empty capture, not an error.
  const CaptureReadResult header = reader.ReadHeader();
  // The header's count is signed; it only scales the bar.
  FileProgress file_progress(progress, static_cast<int32_t>(reader.header_count()));
  FileOutcome outcome = OutcomeOfRead(header);
  if (header == CaptureReadResult::Ok) {
    const bool many = int64_t{reader.header_count()} >= kTouchAheadRecords;
    if (many) store.TouchBlocksAhead(true);
    outcome = AddRecords(reader, store, file_progress, keep_going, stored);
    if (many) store.TouchBlocksAhead(false);
  }
  file_progress.Finish();
  if (!reader.Close() && outcome == FileOutcome::Loaded) outcome = FileOutcome::Unreadable;
  progress.SetPosition(0);
  return outcome;
}
