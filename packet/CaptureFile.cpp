// Saving the store to a capture file and loading one back. Every value in the
// file is little-endian and written or read byte by byte, so the format does
// not depend on the host. Lengths read from a file are compared with a fixed
// maximum before they reach a read.
#include "packet/CaptureFile.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "log/BufferedFileWriter.h"
#include "log/LogWriter.h"
#include "packet/SaveOutcome.h"

namespace {

constexpr char kSignature[] = "Kestrel_Scan";
constexpr size_t kSignatureFieldSize = 64;

void PutLe16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetLe16(const uint8_t* in) {
  return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

uint32_t GetLe32(const uint8_t* in) {
  return uint32_t{in[0]} | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16) |
         (uint32_t{in[3]} << 24);
}

// The 20-byte record header: size, then year, month, day of week, day, hour,
// minute, second and milliseconds.
void PutRecordHeader(uint8_t* out, uint32_t size, const SystemTime& t) {
  PutLe32(out, size);
  const uint16_t fields[8] = {t.year, t.month,  t.day_of_week, t.day,
                              t.hour, t.minute, t.second,      t.milliseconds};
  for (int i = 0; i < 8; ++i) PutLe16(out + 4 + 2 * i, fields[i]);
}

SystemTime GetRecordTime(const uint8_t* in) {
  SystemTime t;
  t.year = GetLe16(in + 4);
  t.month = GetLe16(in + 6);
  t.day_of_week = GetLe16(in + 8);
  t.day = GetLe16(in + 10);
  t.hour = GetLe16(in + 12);
  t.minute = GetLe16(in + 14);
  t.second = GetLe16(in + 16);
  t.milliseconds = GetLe16(in + 18);
  return t;
}

// Writes the header and every record through one buffered file. false at the
// first failed write: the save stops there.
bool WriteCaptureFile(const char* path, const PacketStore& store, uint32_t count,
                      ProgressBar& progress) {
  BufferedFileWriter out;
  if (!out.Open(path) || !WriteCaptureFileHeader(out, count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    // A record the store no longer holds is left out; the header still counts it.
    CapturedPacket packet;
    if (store.Get(static_cast<int32_t>(i), packet) && !WriteCaptureRecord(out, packet)) {
      return false;
    }
    progress.StepIt();
  }
  return out.Close();
}

// The signature field holds the name as a zero-terminated string; what follows
// the terminator is not examined.
bool SignatureMatches(const uint8_t* header) {
  return std::memcmp(header, kSignature, sizeof kSignature) == 0;
}

// The store cannot take the record: tell the user, and stop the capture.
void ReportStoreRefusal(uint8_t add_result, MessageBoxes& boxes, CaptureRequestSink& requests) {
  if (add_result == PacketStore::kAddFull) {
    LogWriter::AppendText(kErrorLogPath, 1, "サイズオーバー\r\n");
    boxes.ShowMessageBox("最大受信サイズを超えました！緊急停止します", "メモリオーバー",
                         kMbOk | kMbIconWarning);
  } else {
    LogWriter::AppendText(kErrorLogPath, 1, "確保に失敗\r\n");
    boxes.ShowMessageBox("メモリの確保に失敗しました！緊急停止します", "メモリ確保に失敗",
                         kMbOk | kMbIconWarning);
  }
  requests.SendCaptureRequest(CaptureRequest::Idle);
}

void LogInvalidFile() {
  LogWriter::AppendText(kErrorLogPath, 1, "不正なファイルの読み込み\r\n");
}

// Reads the records up to the end of the file into the store. Returns 1, or 0
// for a read error or a record too large to be one of ours.
int ReadRecords(FILE* file, PacketStore& store, ProgressBar& progress, MessageBoxes& boxes,
                CaptureRequestSink& requests) {
  // One buffer for all records, grown to the largest record so far (at most
  // kCaptureFileMaxRecordSize): files of small packets never need 64 KB.
  std::vector<uint8_t> data;
  for (;;) {
    // A short read at the end of the file ends the records; the incomplete
    // last record, if any, is dropped.
    uint8_t header[kCaptureRecordHeaderSize];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
      return std::ferror(file) ? 0 : 1;
    }
    const uint32_t size = GetLe32(header);
    if (size > kCaptureFileMaxRecordSize) {
      LogInvalidFile();
      return 0;
    }
    if (size > data.size()) {
      try {
        data.resize(size);
      } catch (const std::bad_alloc&) {
        ReportStoreRefusal(PacketStore::kAddAllocationFailed, boxes, requests);
        return 1;
      }
    }
    if (std::fread(data.data(), 1, size, file) != size) return std::ferror(file) ? 0 : 1;

    const uint8_t added = store.Add(data.data(), size, GetRecordTime(header));
    if (added != PacketStore::kAddStored) {
      ReportStoreRefusal(added, boxes, requests);
      return 1;
    }
    progress.StepIt();
  }
}

}  // namespace

bool WriteCaptureFileHeader(BufferedFileWriter& out, uint32_t count) {
  uint8_t header[kCaptureFileHeaderSize] = {};
  std::memcpy(header, kSignature, sizeof kSignature - 1);
  PutLe32(header + kSignatureFieldSize, count);
  return out.Write(header, sizeof header);
}

bool WriteCaptureRecord(BufferedFileWriter& out, const CapturedPacket& packet) {
  uint8_t header[kCaptureRecordHeaderSize];
  PutRecordHeader(header, packet.size, packet.time);
  return out.Write(header, sizeof header) && out.Write(packet.data, packet.size);
}

int SaveCaptureFile(const char* path, const PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes) {
  const uint32_t count = store.Count();
  PrepareFileProgress(progress, count);
  const bool written = WriteCaptureFile(path, store, count, progress);
  const int result = ReportSaveOutcome(written, boxes);
  progress.SetPosition(0);
  return result;
}

int LoadCaptureFile(const char* path, PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes, CaptureRequestSink& requests) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 0;

  // A file that ends inside the header is an empty capture, not an error.
  int result = 1;
  uint32_t count = 0;
  uint8_t header[kCaptureFileHeaderSize] = {};
  if (std::fread(header, 1, sizeof header, file) != sizeof header) {
    if (std::ferror(file)) result = 0;
  } else {
    count = GetLe32(header + kSignatureFieldSize);
    if (!SignatureMatches(header)) {
      LogInvalidFile();
      result = 0;
    }
  }
  PrepareFileProgress(progress, count);
  if (result == 1) result = ReadRecords(file, store, progress, boxes, requests);
  if (std::fclose(file) != 0) result = 0;
  progress.SetPosition(0);
  return result;
}
