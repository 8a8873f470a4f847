// Feeds arbitrary file contents to the capture-file loader: whatever the
// bytes, it must not read or write out of bounds, and the store must end up
// holding exactly the leading complete records of the file that fit its limit.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/LogWriter.h"
#include "capturefile/CaptureFile.h"
#include "views/QuietPanes.h"

namespace {

constexpr int32_t kLimitKbytes = 200;

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The stored records must be the file's records in order, byte for byte.
void CheckStore(const PacketStore& store, const uint8_t* data, size_t size) {
  size_t at = kCaptureFileHeaderSize;
  for (uint32_t i = 0; i < store.Count(); ++i) {
    CapturedPacket packet;
    if (!store.Get(static_cast<int32_t>(i), packet)) __builtin_trap();
    if (size - at < kCaptureRecordHeaderSize) __builtin_trap();
    const uint32_t record_size = Le32(data + at);
    at += kCaptureRecordHeaderSize;
    if (record_size != packet.size || size - at < record_size) __builtin_trap();
    if (record_size != 0 && std::memcmp(packet.data, data + at, record_size) != 0) __builtin_trap();
    at += record_size;
  }
  if (store.TotalBytes() > uint64_t{kLimitKbytes} * 1000) __builtin_trap();
}

// The input goes to a file in memory where there is such a folder: rewriting
// one disk file for every input makes the run wait on the disk.
std::string InputPath() {
  const std::string name = "capture-fuzz-" + std::to_string(getpid()) + ".bin";
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm/" + name : name;
}

const std::string& Path() {
  static const std::string path = InputPath();
  return path;
}

void RemoveInput() {
  std::remove(Path().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The path is made before the clean-up is registered, so it outlives it.
  const std::string& path = Path();
  static const int cleanup = std::atexit(RemoveInput);
  (void)cleanup;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) return 0;

  PacketStore store;
  store.SetLimitKbytes(kLimitKbytes);
  SilentProgressBar progress;
  LoadCaptureFile(path.c_str(), store, progress);
  CheckStore(store, data, size);
  return 0;
}
