// The classic pcap layout written field by field in little-endian order, so
// the file is the same whichever machine writes it.
#include "cli/PcapExport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/CliFiles.h"
#include "cli/LocalTimeConversion.h"

namespace {

void PutLe16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

bool PcapFileWriter::Open(const std::string& path, std::string& error) {
  return OpenDescriptor(OpenCliFileForWriting(path), error);
}

bool PcapFileWriter::OpenDescriptor(int descriptor, std::string& error) {
  if (!file_.OpenDescriptor(descriptor)) {
    error = std::strerror(errno);
    return false;
  }
  uint8_t header[24] = {};
  PutLe32(header + 0, 0xA1B2C3D4u);
  PutLe16(header + 4, 2);
  PutLe16(header + 6, 4);
  // bytes 8-15: time zone offset and accuracy, both 0
  PutLe32(header + 16, kPcapSnapshotLength);
  PutLe32(header + 20, kPcapLinkTypeRaw);
  if (file_.Write(header, sizeof header)) return true;
  error = std::strerror(errno);
  return false;
}

bool PcapFileWriter::Close(std::string& error) {
  if (file_.Close()) return true;
  error = std::strerror(errno);
  return false;
}

bool PcapFileWriter::Write(const CapturedPacket& packet) {
  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  if (!LocalTimeToEpoch(packet.time, seconds, microseconds)) {
    seconds = 0;
    microseconds = 0;
    ++counts_.bad_time;
  }
  return Write(seconds, microseconds, packet.data, packet.size);
}

bool PcapFileWriter::Write(uint32_t seconds, uint32_t microseconds, const uint8_t* data,
                           uint32_t size) {
  const uint32_t captured = std::min(size, kPcapSnapshotLength);
  uint8_t header[16];
  PutLe32(header + 0, seconds);
  PutLe32(header + 4, microseconds);
  PutLe32(header + 8, captured);
  PutLe32(header + 12, size);
  if (!file_.Write(header, sizeof header) || !file_.Write(data, captured)) return false;
  ++counts_.written;
  return true;
}
