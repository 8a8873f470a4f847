// The file is read in large chunks into one buffer; records are handed out in
// place, and the unread tail moves to the front before the next chunk, so a
// record (at most kCaptureFileMaxRecordSize bytes and its header) always fits.
#include "capturefile/CaptureFileReader.h"

#include <cstring>
#include <new>

#include "log/Cp932FileNames.h"

namespace {

constexpr size_t kBufferSize = 256 * 1024;
static_assert(kBufferSize >= kCaptureRecordHeaderSize + kCaptureFileMaxRecordSize);

}  // namespace

CaptureFileReader::~CaptureFileReader() {
  Close();
}

bool CaptureFileReader::Open(const char* path) {
  return Open(OpenCp932File(path, "rb"));
}

bool CaptureFileReader::Open(std::FILE* file) {
  Close();
  file_ = file;
  begin_ = end_ = 0;
  finished_ = false;
  header_count_ = 0;
  return file_ != nullptr;
}

CaptureReadResult CaptureFileReader::ReadHeader() {
  uint8_t header[kCaptureFileHeaderSize] = {};
  if (std::fread(header, 1, sizeof header, file_) != sizeof header) {
    return Finish(std::ferror(file_) ? CaptureReadResult::ReadError : CaptureReadResult::End);
  }
  header_count_ = CaptureFileHeaderCount(header);
  if (!CaptureFileSignatureMatches(header)) {
    return Finish(CaptureReadResult::Invalid);
  }
  return CaptureReadResult::Ok;
}

CaptureReadResult CaptureFileReader::Next(CapturedPacket& out) {
  if (finished_) return CaptureReadResult::End;
  CaptureReadResult filled = Fill(kCaptureRecordHeaderSize);
  if (filled != CaptureReadResult::Ok) return Finish(filled);
  const uint8_t* header = buffer_.get() + begin_;
  const uint32_t size = CaptureRecordSize(header);
  if (size > kCaptureFileMaxRecordSize) {
    return Finish(CaptureReadResult::Invalid);
  }
  filled = Fill(kCaptureRecordHeaderSize + size);
  if (filled != CaptureReadResult::Ok) return Finish(filled);
  header = buffer_.get() + begin_;
  out.size = size;
  out.time = CaptureRecordTime(header);
  out.data = header + kCaptureRecordHeaderSize;
  begin_ += kCaptureRecordHeaderSize + size;
  return CaptureReadResult::Ok;
}

bool CaptureFileReader::Close() {
  if (file_ == nullptr) return true;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return closed;
}

CaptureReadResult CaptureFileReader::Fill(size_t count) {
  if (end_ - begin_ >= count) return CaptureReadResult::Ok;
  if (!buffer_) {
    buffer_.reset(new (std::nothrow) uint8_t[kBufferSize]);
    if (!buffer_) return CaptureReadResult::OutOfMemory;
  }
  std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (end_ < count) {
    const size_t read = std::fread(buffer_.get() + end_, 1, kBufferSize - end_, file_);
    if (read == 0) {
      return std::ferror(file_) ? CaptureReadResult::ReadError : CaptureReadResult::End;
    }
    end_ += read;
  }
  return CaptureReadResult::Ok;
}

CaptureReadResult CaptureFileReader::Finish(CaptureReadResult result) {
  finished_ = true;
  return result;
}
