// Buffered whole-file output over WriteOnlyFile.
#include "log/BufferedFileWriter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

std::atomic<size_t> disk_room{SIZE_MAX};

}  // namespace

BufferedFileWriter::FullDiskForTesting::FullDiskForTesting(size_t bytes) {
  disk_room.store(bytes);
}

BufferedFileWriter::FullDiskForTesting::~FullDiskForTesting() {
  disk_room.store(SIZE_MAX);
}

bool BufferedFileWriter::Open(const char* path) {
  Close();
  if (!AllocateBuffer(false)) return ok_ = false;
  file_.emplace(path, true);
  ok_ = file_->IsOpen();
  return ok_;
}

bool BufferedFileWriter::OpenDescriptor(int descriptor, bool whole_sectors) {
  Close();
  if (descriptor < 0) return ok_ = false;
  file_.emplace(descriptor);
  ok_ = AllocateBuffer(whole_sectors);
  return ok_;
}

bool BufferedFileWriter::AllocateBuffer(bool whole_sectors) {
  whole_sectors_ = whole_sectors;
  capacity_ = whole_sectors ? kUnbufferedBufferBytes : kBufferBytes;
  const size_t slack = whole_sectors ? kSectorBytes : 0;
  buffer_.reset(new (std::nothrow) char[capacity_ + slack]);
  data_ = buffer_.get();
  if (data_ != nullptr && whole_sectors) {
    const auto at = reinterpret_cast<uintptr_t>(data_);
    data_ += (kSectorBytes - at % kSectorBytes) % kSectorBytes;
  }
  used_ = 0;
  length_ = 0;
  room_ = disk_room.load();
  return buffer_ != nullptr;
}

bool BufferedFileWriter::Write(const void* bytes, size_t count) {
  if (!ok_) return false;
  length_ += count;
  if (whole_sectors_) {
    // Unaligned bytes cannot go to the file as they are: all pass the buffer.
    const char* from = static_cast<const char*>(bytes);
    while (count > 0) {
      const size_t piece = std::min(count, capacity_ - used_);
      std::memcpy(data_ + used_, from, piece);
      used_ += piece;
      from += piece;
      count -= piece;
      if (used_ == capacity_ && !WriteSectors(false)) return false;
    }
    return true;
  }
  if (used_ + count > capacity_) {
    if (!Flush()) return false;
    // Too large to be worth copying: straight to the file.
    if (count >= capacity_) return ok_ = WriteToFile(bytes, count);
  }
  if (count != 0) std::memcpy(data_ + used_, bytes, count);
  used_ += count;
  return true;
}

bool BufferedFileWriter::Flush() {
  if (whole_sectors_) return WriteSectors(false);
  if (ok_ && used_ != 0) ok_ = WriteToFile(data_, used_);
  used_ = 0;
  return ok_;
}

// Writes the whole sectors buffered and keeps the part sector after them; with
// `with_last_part` that too, padded with zeros to a whole sector.
bool BufferedFileWriter::WriteSectors(bool with_last_part) {
  if (!ok_) return false;
  size_t whole = used_ - used_ % kSectorBytes;
  if (with_last_part && whole != used_) {
    std::memset(data_ + used_, 0, whole + kSectorBytes - used_);
    whole += kSectorBytes;
  }
  if (whole != 0) ok_ = WriteToFile(data_, whole);
  const size_t rest = whole < used_ ? used_ - whole : 0;
  std::memmove(data_, data_ + whole, rest);
  used_ = rest;
  return ok_;
}

bool BufferedFileWriter::WriteToFile(const void* bytes, size_t count) {
  const size_t taken = std::min(count, room_);
  room_ -= taken;
  return file_->Write(bytes, taken) && taken == count;
}

bool BufferedFileWriter::Close() {
  if (!file_) return false;
  if (whole_sectors_) {
    if (WriteSectors(true) && length_ % kSectorBytes != 0 && !file_->Cut(length_)) ok_ = false;
  } else {
    Flush();
  }
  if (!file_->Close()) ok_ = false;
  file_.reset();
  buffer_.reset();
  data_ = nullptr;
  return ok_;
}
