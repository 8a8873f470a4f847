// Fuzzes the settings reader with arbitrary config.ini contents. Per input:
//   - the one-shot readers and the dialog's Load on the file;
//   - every key the filter reads, looked up both in the parsed snapshot and by
//     scanning the text line by line: the two must agree;
//   - the filter's cached view against the key-by-key decision for a set of
//     packets, in memory, and PacketFilter::Accept on the file itself.
// The process works in a directory of its own (its config.ini is rewritten
// for every input), so corpus paths given to it must be absolute.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigFile.h"
#include "config/FilterView.h"
#include "config/PacketFilter.h"
#include "config/PacketFilterReference.h"
#include "config/ProfileSnapshot.h"
#include "config/ProfileText.h"

namespace {

namespace fs = std::filesystem;

void EnterWorkDirectory() {
  static const bool entered = [] {
    const fs::path dir =
        fs::temp_directory_path() / ("kestrel-fuzz-config-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    return true;
  }();
  (void)entered;
}

// Reads keys from the snapshot and checks each against the line scan.
class CheckedKeys : public PacketFilterReference::KeyReader {
 public:
  CheckedKeys(const ProfileSnapshot& snapshot, std::string_view text)
      : snapshot_(snapshot), text_(text) {}

  int ReadInt(const char* section, const char* key, int default_value) const override {
    Check(section, key);
    return snapshot_.ReadInt(section, key, default_value);
  }
  std::string ReadString(const char* section, const char* key, const char* default_value,
                         size_t capacity) const override {
    Check(section, key);
    return snapshot_.ReadString(section, key, default_value, capacity);
  }

 private:
  void Check(const char* section, const char* key) const {
    if (snapshot_.Find(section, key) != FindProfileValue(text_, section, key)) std::abort();
  }

  const ProfileSnapshot& snapshot_;
  std::string_view text_;
};

std::vector<uint8_t> Packet(uint8_t protocol, const uint8_t from[4], const uint8_t to[4],
                            uint16_t destination_port, bool whole_transport) {
  std::vector<uint8_t> p = {0x45,
                            0,
                            0,
                            40,
                            0,
                            1,
                            0,
                            0,
                            64,
                            protocol,
                            0,
                            0,
                            from[0],
                            from[1],
                            from[2],
                            from[3],
                            to[0],
                            to[1],
                            to[2],
                            to[3],
                            0x13,
                            0x88,
                            static_cast<uint8_t>(destination_port >> 8),
                            static_cast<uint8_t>(destination_port)};
  if (whole_transport) p.resize(40, 0);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterWorkDirectory();
  const std::string text(reinterpret_cast<const char*>(data), size);
  FILE* file = std::fopen(kConfigPath, "wb");
  if (file == nullptr) return 0;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);

  ConfigFile::ReadString("IP_config", "0_LIST_SRC_IP", "", 16);
  const int rules = ConfigFile::ReadInt("IP_config", "LIST_NUM", 0);
  const uint8_t a[4] = {192, 168, 0, 1};
  const uint8_t b[4] = {10, 0, 0, 2};
  const uint8_t any[4] = {0, 0, 0, 0};
  const std::vector<uint8_t> packets[] = {
      Packet(6, a, b, 80, true),      Packet(6, b, a, 5000, true), Packet(17, a, b, 0, true),
      Packet(17, any, any, 53, true), Packet(6, a, b, 80, false),  Packet(1, a, b, 0, true),
      Packet(47, a, b, 0, true),
  };
  const int32_t tcp_size = static_cast<int32_t>(packets[0].size());
  const int from_file = PacketFilter::Accept(packets[0].data(), tcp_size);

  ProfileSnapshot snapshot;
  snapshot.Assign(text);
  const FilterView view = ReadFilterView(snapshot);
  if (from_file != DecidePacket(view, packets[0].data(), tcp_size)) std::abort();
  // Load and the key-by-key decision walk every rule number below LIST_NUM.
  if (rules > 16) return 0;
  const FilterSettings settings = ConfigFile::Load();
  if (settings.rules.size() != static_cast<size_t>(rules < 0 ? 0 : rules)) std::abort();
  const CheckedKeys keys(snapshot, text);
  for (const std::vector<uint8_t>& p : packets) {
    const int32_t n = static_cast<int32_t>(p.size());
    if (DecidePacket(view, p.data(), n) != PacketFilterReference::Accept(p.data(), n, keys)) {
      std::abort();
    }
  }
  return 0;
}
