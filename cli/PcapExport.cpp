// The classic pcap layout written field by field in little-endian order, so
// the file is the same whichever machine writes it.
#include "cli/PcapExport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/LocalTimeConversion.h"

namespace {

class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const { return file_ != nullptr; }
  bool Write(const void* bytes, size_t count) {
    return count == 0 || std::fwrite(bytes, 1, count, file_) == count;
  }
  // Closes the file and tells whether everything reached it.
  bool Close() {
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  FILE* file_;
};

void PutLe16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteFileHeader(OutputFile& file) {
  uint8_t header[24] = {};
  PutLe32(header + 0, 0xA1B2C3D4u);
  PutLe16(header + 4, 2);
  PutLe16(header + 6, 4);
  // bytes 8-15: time zone offset and accuracy, both 0
  PutLe32(header + 16, kPcapSnapshotLength);
  PutLe32(header + 20, kPcapLinkTypeRaw);
  return file.Write(header, sizeof header);
}

bool WriteRecord(OutputFile& file, const CapturedPacket& packet, PcapExportCounts& counts) {
  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  if (!LocalTimeToEpoch(packet.time, seconds, microseconds)) {
    seconds = 0;
    microseconds = 0;
    ++counts.bad_time;
  }
  const uint32_t captured = std::min(packet.size, kPcapSnapshotLength);
  uint8_t header[16];
  PutLe32(header + 0, seconds);
  PutLe32(header + 4, microseconds);
  PutLe32(header + 8, captured);
  PutLe32(header + 12, packet.size);
  return file.Write(header, sizeof header) && file.Write(packet.data, captured);
}

}  // namespace

bool ExportPcapFile(const std::string& path, const PacketStore& store, PcapExportCounts& counts,
                    std::string& error) {
  OutputFile file(path);
  if (!file.is_open()) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = WriteFileHeader(file);
  const uint32_t count = store.Count();
  for (uint32_t i = 0; ok && i < count; ++i) {
    CapturedPacket packet;
    if (store.Get(static_cast<int32_t>(i), packet) == 0) continue;
    ok = WriteRecord(file, packet, counts);
    if (ok) ++counts.written;
  }
  const int write_error = errno;
  if (!file.Close() || !ok) {
    error = std::strerror(ok ? errno : write_error);
    return false;
  }
  return true;
}
