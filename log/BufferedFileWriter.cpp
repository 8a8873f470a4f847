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
  if (!AllocateBuffer()) return ok_ = false;
  file_.emplace(path, true);
  ok_ = file_->IsOpen();
  return ok_;
}

bool BufferedFileWriter::OpenDescriptor(int descriptor) {
  Close();
  if (descriptor < 0) return ok_ = false;
  file_.emplace(descriptor);
  ok_ = AllocateBuffer();
  return ok_;
}

bool BufferedFileWriter::AllocateBuffer() {
  buffer_.reset(new (std::nothrow) char[kBufferBytes]);
  used_ = 0;
  room_ = disk_room.load();
  return buffer_ != nullptr;
}

bool BufferedFileWriter::Write(const void* bytes, size_t count) {
  if (!ok_) return false;
  if (used_ + count > kBufferBytes) {
    if (!Flush()) return false;
    // Too large to be worth copying: straight to the file.
    if (count >= kBufferBytes) return ok_ = WriteToFile(bytes, count);
  }
  if (count != 0) std::memcpy(buffer_.get() + used_, bytes, count);
  used_ += count;
  return true;
}

bool BufferedFileWriter::Flush() {
  if (ok_ && used_ != 0) ok_ = WriteToFile(buffer_.get(), used_);
  used_ = 0;
  return ok_;
}

bool BufferedFileWriter::WriteToFile(const void* bytes, size_t count) {
  const size_t taken = std::min(count, room_);
  room_ -= taken;
  return file_->Write(bytes, taken) && taken == count;
}

bool BufferedFileWriter::Close() {
  if (!file_) return false;
  Flush();
  if (!file_->Close()) ok_ = false;
  file_.reset();
  buffer_.reset();
  return ok_;
}
