// Reads a capture file one record at a time, with the acceptance rules of the
// program's loader, so that the program and every tool accept, shorten and
// refuse exactly the same files:
//   - the packet count in the header is not believed; records run to the end
//     of the file;
//   - a file that ends inside the header is an empty capture, and one that
//     ends inside a record ends before that record;
//   - a wrong signature, and a record larger than kCaptureFileMaxRecordSize,
//     make the file invalid (what the user is told is the caller's choice);
//   - a read error is a failure, never taken for the end of the file.
// Memory stays bounded whatever the file's size: one read buffer, and each
// record handed out points into it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "capturefile/CaptureFileFormat.h"
#include "packet/CapturedPacket.h"

enum class CaptureReadResult {
  Ok,           // a header or a record was read
  End,          // the records are over (a cut-off last record is dropped)
  Invalid,      // wrong signature or oversized record
  ReadError,    // the system could not read the file
  OutOfMemory,  // no memory for the read buffer
};

class CaptureFileReader {
 public:
  CaptureFileReader() = default;
  ~CaptureFileReader();
  CaptureFileReader(const CaptureFileReader&) = delete;
  CaptureFileReader& operator=(const CaptureFileReader&) = delete;

  // Opens the file for binary reading. false when it cannot be opened.
  bool Open(const char* path);
  // Takes over a file the caller opened for binary reading (by a name the
  // narrow fopen cannot reach); false for a null file.
  bool Open(std::FILE* file);

  // Reads the header: Ok (records may follow), End (the file ends inside the
  // header: no records), Invalid or ReadError.
  CaptureReadResult ReadHeader();
  // The header's packet count; 0 when the header was not read whole.
  uint32_t header_count() const { return header_count_; }

  // The next record: Ok with `out` pointing into the reader's buffer (valid
  // until the next call), or why there is none. After anything but Ok, every
  // further call gives End.
  CaptureReadResult Next(CapturedPacket& out);

  // Closes the file; false when closing failed.
  bool Close();

 private:
  // Makes `count` unread bytes available at begin_: Ok, or End, ReadError or
  // OutOfMemory.
  CaptureReadResult Fill(size_t count);
  CaptureReadResult Finish(CaptureReadResult result);

  FILE* file_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t begin_ = 0;  // first unread byte in buffer_
  size_t end_ = 0;    // one past the last byte read into buffer_
  bool finished_ = false;
  uint32_t header_count_ = 0;
};
