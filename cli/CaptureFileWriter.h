// Writes a capture file record by record, byte for byte as the program saves
// it, so that an import of any size streams through: the header's packet
// count, unknown until the end, is written last.
#pragma once

#include <cstdint>
#include <string>

#include "log/BufferedFileWriter.h"
#include "packet/CapturedPacket.h"

class CaptureFileWriter {
 public:
  // Creates the file and writes its header. false with the system's reason.
  bool Open(const std::string& path, std::string& error);
  // The same on a descriptor that cannot be reopened by name (standard
  // output): its header keeps the count 0, which readers use only for their
  // progress. The writer closes it.
  bool OpenDescriptor(int descriptor, std::string& error);
  // false once writing has failed.
  bool Write(const CapturedPacket& packet);
  // Hands what is buffered to the file; false once writing has failed.
  bool Flush() { return file_.Flush(); }
  // Closes the file and puts the number of records written into its header.
  // false with the system's reason when anything could not be written.
  bool Close(std::string& error);

 private:
  std::string path_;
  BufferedFileWriter file_;
  uint32_t count_ = 0;  // the header's count is 32 bits, like the program's
};
