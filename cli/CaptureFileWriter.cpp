// The program's own header and record writers, a count of 0 in the header
// until the file is complete, then the real count in its place.
#include "cli/CaptureFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/CliFiles.h"
#include "capturefile/CaptureFile.h"

bool CaptureFileWriter::Open(const std::string& path, std::string& error) {
  path_ = path;
  count_ = 0;
  if (file_.OpenDescriptor(OpenCliFileForWriting(path)) && WriteCaptureFileHeader(file_, 0)) {
    return true;
  }
  error = std::strerror(errno);
  return false;
}

bool CaptureFileWriter::OpenDescriptor(int descriptor, std::string& error) {
  path_.clear();
  count_ = 0;
  if (file_.OpenDescriptor(descriptor) && WriteCaptureFileHeader(file_, 0)) return true;
  error = std::strerror(errno);
  return false;
}

bool CaptureFileWriter::Write(const CapturedPacket& packet) {
  if (!WriteCaptureRecord(file_, packet)) return false;
  ++count_;
  return true;
}

bool CaptureFileWriter::Close(std::string& error) {
  if (!file_.Close()) {
    error = std::strerror(errno);
    return false;
  }
  if (path_.empty()) return true;
  uint8_t header[kCaptureFileHeaderSize];
  EncodeCaptureFileHeader(header, count_);
  FILE* file = OpenCliFile(path_, "r+b");
  const bool written =
      file != nullptr && std::fwrite(header, 1, sizeof header, file) == sizeof header;
  if (file != nullptr && std::fclose(file) != 0 && written) {
    error = std::strerror(errno);
    return false;
  }
  if (!written) error = std::strerror(errno);
  return written;
}
