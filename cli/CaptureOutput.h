// Where `kestrel-cli capture` writes: one file or standard output in pcap,
// pcapng or the program's capture file, or a ring of files that follow each
// other by time (-G) or size (-C), at most -W of them. Records go to the
// current file whole: a new file is begun only between two records, so a
// boundary neither loses nor repeats one. Everything runs on one thread.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "cli/CaptureFileWriter.h"
#include "cli/CliArguments.h"
#include "cli/PcapExport.h"
#include "log/BufferedFileWriter.h"

// One output file in one of the three formats; records carry their UTC time
// stamp in microseconds since 1970.
class CaptureRecordWriter {
 public:
  // Creates or empties the file, or with "-" takes standard output. false
  // with the reason.
  bool Open(CaptureFormat format, const std::string& path, std::string& error);
  bool Write(int64_t micros, const uint8_t* data, uint32_t size);
  bool Flush();
  bool Close(std::string& error);
  // Bytes written so far, header included.
  uint64_t bytes() const { return bytes_; }
  uint64_t records() const { return records_; }
  // What a record of `size` bytes adds to a file of `format`.
  static uint64_t RecordBytes(CaptureFormat format, uint32_t size);

 private:
  CaptureFormat format_ = CaptureFormat::Pcap;
  PcapFileWriter pcap_;
  CaptureFileWriter bin_;
  BufferedFileWriter pcapng_;
  uint64_t bytes_ = 0;
  uint64_t records_ = 0;
};

// The name of an output file as the standard capture tools make it: with -G
// the name given passed through strftime for the local time `started` at
// which the file began; with -C a file number after it (none on the first file
// without -W; with -W the number counts round the ring, as many digits as
// the largest needs).
std::string RingFileName(const CaptureOptions& options, int64_t started_seconds, uint64_t number);

class CaptureOutput {
 public:
  explicit CaptureOutput(const CaptureOptions& options) : options_(options) {}
  // Opens the first file (or standard output) at `now_micros`. false with the reason.
  bool Start(int64_t now_micros, std::string& error);
  // Writes one record, beginning the next file first when it is due.
  bool Write(int64_t micros, const uint8_t* data, uint32_t size, std::string& error);
  // Hands what is buffered to the file or pipe.
  bool Flush(std::string& error);
  bool Close(std::string& error);
  // The file now written ("-" for standard output).
  const std::string& current_name() const { return name_; }

 private:
  bool OpenFile(std::string& error);
  bool TimeIsUp(int64_t micros) const;
  bool DueForNext(int64_t micros, uint32_t size) const;

  CaptureOptions options_;
  CaptureRecordWriter writer_;
  bool open_ = false;
  std::string name_;
  int64_t file_started_ = 0;      // seconds, the time the name was made from
  uint64_t number_ = 0;           // files begun since the last name by time
  std::deque<std::string> kept_;  // -G with -W: the files written, oldest first
};
