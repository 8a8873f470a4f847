// The three record layouts of a live capture and the ring of files.
#include "cli/CaptureOutput.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "capturefile/CaptureFile.h"
#include "cli/CliFiles.h"
#include "cli/LocalTimeConversion.h"

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
constexpr uint64_t kPcapHeaderBytes = 24;
constexpr uint64_t kPcapRecordHeaderBytes = 16;
constexpr uint64_t kCaptureRecordHeaderBytes = 20;
// pcapng: a section header block and one interface description block, then
// one enhanced packet block a record.
constexpr uint32_t kSectionHeaderBytes = 28;
constexpr uint32_t kInterfaceBytes = 20;
constexpr uint32_t kPacketBlockBytes = 32;  // without the data and its padding

void PutLe16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Padded(uint32_t size) {
  return (size + 3) & ~uint32_t{3};
}

bool WritePcapngHeader(BufferedFileWriter& file) {
  uint8_t header[kSectionHeaderBytes + kInterfaceBytes] = {};
  PutLe32(header + 0, 0x0A0D0D0A);
  PutLe32(header + 4, kSectionHeaderBytes);
  PutLe32(header + 8, 0x1A2B3C4D);    // byte-order magic
  PutLe16(header + 12, 1);            // version 1.0
  std::memset(header + 16, 0xFF, 8);  // section length unknown
  PutLe32(header + 24, kSectionHeaderBytes);
  uint8_t* idb = header + kSectionHeaderBytes;
  PutLe32(idb + 0, 1);
  PutLe32(idb + 4, kInterfaceBytes);
  PutLe16(idb + 8, static_cast<uint16_t>(kPcapLinkTypeRaw));
  PutLe32(idb + 12, kPcapSnapshotLength);  // no options: microsecond time stamps
  PutLe32(idb + 16, kInterfaceBytes);
  return file.Write(header, sizeof header);
}

bool WritePcapngRecord(BufferedFileWriter& file, int64_t micros, const uint8_t* data,
                       uint32_t size) {
  const uint32_t captured = std::min(size, kPcapSnapshotLength);
  const uint32_t total = kPacketBlockBytes + Padded(captured);
  const uint64_t stamp = static_cast<uint64_t>(micros);
  uint8_t head[28];
  PutLe32(head + 0, 6);
  PutLe32(head + 4, total);
  PutLe32(head + 8, 0);  // interface 0
  PutLe32(head + 12, static_cast<uint32_t>(stamp >> 32));
  PutLe32(head + 16, static_cast<uint32_t>(stamp));
  PutLe32(head + 20, captured);
  PutLe32(head + 24, size);
  uint8_t tail[8] = {};
  PutLe32(tail + Padded(captured) - captured, total);
  return file.Write(head, sizeof head) && file.Write(data, captured) &&
         file.Write(tail, Padded(captured) - captured + 4);
}

int Digits(uint32_t value) {
  int digits = 0;
  for (; value > 0; value /= 10) ++digits;
  return digits;
}

std::tm LocalCalendar(int64_t seconds) {
  std::tm calendar{};
  SystemTime local;
  if (!EpochToLocalTime(seconds, 0, local)) return calendar;
  static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool leap = (local.year % 4 == 0 && local.year % 100 != 0) || local.year % 400 == 0;
  calendar.tm_year = local.year - 1900;
  calendar.tm_mon = local.month - 1;
  calendar.tm_mday = local.day;
  calendar.tm_wday = local.day_of_week;
  calendar.tm_yday = kDaysBefore[calendar.tm_mon] + local.day - 1 + (leap && local.month > 2);
  calendar.tm_hour = local.hour;
  calendar.tm_min = local.minute;
  calendar.tm_sec = local.second;
  calendar.tm_isdst = -1;
  return calendar;
}

}  // namespace

bool CaptureRecordWriter::Open(CaptureFormat format, const std::string& path, std::string& error) {
  format_ = format;
  bytes_ = records_ = 0;
  const bool to_stdout = path == "-";
  if (format == CaptureFormat::Bin) {
    // A file gets its packet count at the end, so the writer opens it by name
    // itself; standard output cannot get one.
    if (!(to_stdout ? bin_.OpenDescriptor(1, error) : bin_.Open(path, error))) return false;
    bytes_ = kCaptureFileHeaderSize;
    return true;
  }
  const int descriptor = to_stdout ? 1 : OpenCliFileForWriting(path);
  switch (format) {
    case CaptureFormat::Pcap:
      if (!pcap_.OpenDescriptor(descriptor, error)) return false;
      bytes_ = kPcapHeaderBytes;
      return true;
    case CaptureFormat::Bin:  // opened above
      break;
    case CaptureFormat::Pcapng:
      if (!pcapng_.OpenDescriptor(descriptor) || !WritePcapngHeader(pcapng_)) {
        error = std::strerror(errno);
        return false;
      }
      bytes_ = kSectionHeaderBytes + kInterfaceBytes;
      return true;
  }
  return false;
}

uint64_t CaptureRecordWriter::RecordBytes(CaptureFormat format, uint32_t size) {
  switch (format) {
    case CaptureFormat::Pcap:
      return kPcapRecordHeaderBytes + std::min(size, kPcapSnapshotLength);
    case CaptureFormat::Bin:
      return kCaptureRecordHeaderBytes + size;
    case CaptureFormat::Pcapng:
      return kPacketBlockBytes + Padded(std::min(size, kPcapSnapshotLength));
  }
  return 0;
}

bool CaptureRecordWriter::Write(int64_t micros, const uint8_t* data, uint32_t size) {
  bool written = false;
  switch (format_) {
    case CaptureFormat::Pcap:
      written = pcap_.Write(static_cast<uint32_t>(micros / kMicrosPerSecond),
                            static_cast<uint32_t>(micros % kMicrosPerSecond), data, size);
      break;
    case CaptureFormat::Bin: {
      // The program's file holds local time to the millisecond.
      CapturedPacket packet;
      packet.size = size;
      packet.data = data;
      EpochToLocalTime(micros / kMicrosPerSecond, micros % kMicrosPerSecond, packet.time);
      written = bin_.Write(packet);
      break;
    }
    case CaptureFormat::Pcapng:
      written = WritePcapngRecord(pcapng_, micros, data, size);
      break;
  }
  if (!written) return false;
  bytes_ += RecordBytes(format_, size);
  ++records_;
  return true;
}

bool CaptureRecordWriter::Flush() {
  switch (format_) {
    case CaptureFormat::Pcap:
      return pcap_.Flush();
    case CaptureFormat::Bin:
      return bin_.Flush();
    case CaptureFormat::Pcapng:
      return pcapng_.Flush();
  }
  return false;
}

bool CaptureRecordWriter::Close(std::string& error) {
  switch (format_) {
    case CaptureFormat::Pcap:
      return pcap_.Close(error);
    case CaptureFormat::Bin:
      return bin_.Close(error);
    case CaptureFormat::Pcapng:
      if (pcapng_.Close()) return true;
      error = std::strerror(errno);
      return false;
  }
  return false;
}

std::string RingFileName(const CaptureOptions& options, int64_t started_seconds, uint64_t number) {
  std::string name = options.output;
  if (options.rotate_seconds != 0) {
    const std::tm calendar = LocalCalendar(started_seconds);
    char formatted[4096];
    const size_t length = std::strftime(formatted, sizeof formatted, name.c_str(), &calendar);
    if (length != 0) name.assign(formatted, length);
  }
  if (options.rotate_megabytes == 0) return name;
  const int digits = options.files != 0 ? Digits(options.files - 1) : 0;
  const uint64_t in_ring = options.files != 0 ? number % options.files : number;
  if (in_ring == 0 && digits == 0) return name;
  std::string counter = std::to_string(in_ring);
  if (static_cast<int>(counter.size()) < digits) counter.insert(0, digits - counter.size(), '0');
  return name + counter;
}

bool CaptureOutput::Start(int64_t now_micros, std::string& error) {
  file_started_ = now_micros / kMicrosPerSecond;
  number_ = 0;
  return OpenFile(error);
}

bool CaptureOutput::OpenFile(std::string& error) {
  name_ = options_.output == "-" ? options_.output : RingFileName(options_, file_started_, number_);
  if (!writer_.Open(options_.format, name_, error)) {
    error = "cannot write '" + name_ + "': " + error;
    return false;
  }
  open_ = true;
  if (options_.rotate_seconds != 0 && options_.files != 0) {
    if (kept_.empty() || kept_.back() != name_) kept_.push_back(name_);
    while (kept_.size() > options_.files) {
      RemoveCliFile(kept_.front());
      kept_.pop_front();
    }
  }
  return true;
}

bool CaptureOutput::TimeIsUp(int64_t micros) const {
  return options_.rotate_seconds != 0 &&
         micros / kMicrosPerSecond - file_started_ >= int64_t{options_.rotate_seconds};
}

bool CaptureOutput::DueForNext(int64_t micros, uint32_t size) const {
  if (TimeIsUp(micros)) return true;
  return options_.rotate_megabytes != 0 && writer_.records() > 0 &&
         writer_.bytes() + CaptureRecordWriter::RecordBytes(options_.format, size) >
             uint64_t{options_.rotate_megabytes} * 1000000;
}

bool CaptureOutput::Write(int64_t micros, const uint8_t* data, uint32_t size, std::string& error) {
  if (!open_) return false;
  if (DueForNext(micros, size)) {
    if (!Close(error)) return false;
    if (TimeIsUp(micros)) {
      file_started_ = micros / kMicrosPerSecond;
      number_ = 0;
    } else {
      ++number_;
    }
    if (!OpenFile(error)) return false;
  }
  if (writer_.Write(micros, data, size)) return true;
  error = "cannot write '" + name_ + "': " + std::strerror(errno);
  return false;
}

bool CaptureOutput::Flush(std::string& error) {
  if (!open_ || writer_.Flush()) return true;
  error = "cannot write '" + name_ + "': " + std::strerror(errno);
  return false;
}

bool CaptureOutput::Close(std::string& error) {
  if (!open_) return true;
  open_ = false;
  if (writer_.Close(error)) return true;
  error = "cannot write '" + name_ + "': " + error;
  return false;
}
