// Saving the store to a capture file and loading one back, in the layout of
// capturefile/CaptureFileFormat.h. Loading reads through the capture-file reader,
// which holds the rules for what a valid file is; here only the store's
// refusals are handled.
#include "capturefile/CaptureFile.h"

#include "log/BufferedFileWriter.h"
#include "log/LogWriter.h"
#include "capturefile/CaptureFileReader.h"
#include "views/FileProgress.h"
#include "capturefile/SaveOutcome.h"

namespace {

// Writes the header and every record through one buffered file. false at the
// first failed write: the save stops there.
bool WriteCaptureFile(const char* path, const PacketStore& store, uint32_t count,
                      FileProgress& progress, const std::atomic<int32_t>* running) {
  BufferedFileWriter out;
  if (!out.Open(path) || !WriteCaptureFileHeader(out, count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (!KeepGoing(running)) return false;
    // A record the store no longer holds is left out; the header still counts it.
    CapturedPacket packet;
    if (store.Get(static_cast<int32_t>(i), packet) && !WriteCaptureRecord(out, packet)) {
      return false;
    }
    progress.RecordDone();
  }
  progress.Finish();
  return out.Close();
}

// The store cannot take the record: tell the user, and stop the capture.
void ReportStoreRefusal(uint8_t add_result, MessageBoxes& boxes, CaptureStopSink& stops) {
  if (add_result == PacketStore::kAddFull) {
    LogWriter::AppendText(kErrorLogPath, 1, "サイズオーバー\r\n");
    boxes.ShowMessageBox("最大受信サイズを超えました！緊急停止します", "メモリオーバー",
                         kMbOk | kMbIconWarning);
  } else {
    LogWriter::AppendText(kErrorLogPath, 1, "確保に失敗\r\n");
    boxes.ShowMessageBox("メモリの確保に失敗しました！緊急停止します", "メモリ確保に失敗",
                         kMbOk | kMbIconWarning);
  }
  stops.CaptureStopped();
}

// Adds the records up to the end of the file to the store. Returns 1, or 0
// for an invalid record or a read error.
int AddRecords(CaptureFileReader& reader, PacketStore& store, FileProgress& progress,
               MessageBoxes& boxes, CaptureStopSink& stops, const std::atomic<int32_t>* running) {
  while (KeepGoing(running)) {
    CapturedPacket packet;
    switch (reader.Next(packet)) {
      case CaptureReadResult::Ok:
        break;
      case CaptureReadResult::End:
        return 1;
      case CaptureReadResult::OutOfMemory:
        ReportStoreRefusal(PacketStore::kAddAllocationFailed, boxes, stops);
        return 1;
      case CaptureReadResult::Invalid:
      case CaptureReadResult::ReadError:
        return 0;
    }
    const uint8_t added = store.Add(packet.data, packet.size, packet.time);
    if (added != PacketStore::kAddStored) {
      ReportStoreRefusal(added, boxes, stops);
      return 1;
    }
    progress.RecordDone();
  }
  return 1;
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

int SaveCaptureFile(const char* path, const PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes, const std::atomic<int32_t>* running) {
  const uint32_t count = store.Count();
  FileProgress file_progress(progress, count);
  const bool written = WriteCaptureFile(path, store, count, file_progress, running);
  const int result = KeepGoing(running) ? ReportSaveOutcome(written, boxes)
                                        : EndSaveWhileClosing(path, written);
  progress.SetPosition(0);
  return result;
}

int LoadCaptureFile(const char* path, PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes, CaptureStopSink& stops,
                    const std::atomic<int32_t>* running) {
  CaptureFileReader reader;
  if (!reader.Open(path)) return 0;

  // A file that ends inside the header is an empty capture, not an error.
  const CaptureReadResult header = reader.ReadHeader();
  int result = header == CaptureReadResult::Ok || header == CaptureReadResult::End ? 1 : 0;
  // The header's count is signed; it only scales the bar.
  FileProgress file_progress(progress, static_cast<int32_t>(reader.header_count()));
  if (header == CaptureReadResult::Ok)
    result = AddRecords(reader, store, file_progress, boxes, stops, running);
  file_progress.Finish();
  if (!reader.Close()) result = 0;
  progress.SetPosition(0);
  return result;
}
