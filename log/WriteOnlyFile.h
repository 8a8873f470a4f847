// A file opened for writing through the C runtime's unbuffered descriptors, in
// binary mode (bytes pass unchanged): emptied first or appended to. The name is
// code page 932 (log/Cp932FileNames.h). The
// writers above it decide how much to hand over per call.
#pragma once

#include <cstddef>

class WriteOnlyFile {
 public:
  WriteOnlyFile(const char* path, bool truncate);
  // Takes over a descriptor the caller opened for writing (in binary mode).
  explicit WriteOnlyFile(int descriptor) : fd_(descriptor) {}
  WriteOnlyFile(const WriteOnlyFile&) = delete;
  WriteOnlyFile& operator=(const WriteOnlyFile&) = delete;
  ~WriteOnlyFile() { Close(); }

  bool IsOpen() const { return fd_ >= 0; }

  // Writes all bytes, continuing after a partial write; false on an error.
  bool Write(const void* bytes, size_t count);

  // true when the file was closed cleanly (or was not open).
  bool Close();

 private:
  int fd_ = -1;
};
