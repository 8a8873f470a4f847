// Fuzzes the settings reader with arbitrary config.ini contents. Per input:
//   - the one-shot readers and the dialog's Load on the file;
//   - every key the filter reads, looked up both in the parsed snapshot and by
//     scanning the text line by line: the two must agree (and the one-shot
//     file reader must agree with the snapshot);
//   - the filter's parsed rules against the key-by-key decision for a set of
//     packets, in memory, and one PacketFilter, kept across inputs, on the
//     file itself.
// Each input becomes config.ini in the working directory: ctest runs the
// target in a work folder of its own; run by hand, start it in an empty one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigFile.h"
#include "config/FilterRules.h"
#include "config/PacketFilter.h"
#include "config/ProfileSnapshot.h"
#include "config/ProfileText.h"
#include "config/SettingsText.h"
#include "log/SettingsPaths.h"
#include "support/PacketFilterReference.h"

namespace {

class SnapshotKeys : public PacketFilterReference::KeyReader {
 public:
  explicit SnapshotKeys(const ProfileSnapshot& snapshot) : snapshot_(snapshot) {}
  int ReadInt(const char* section, const char* key, int default_value) const override {
    return snapshot_.ReadInt(section, key, default_value);
  }
  std::string ReadString(const char* section, const char* key, const char* default_value,
                         size_t capacity) const override {
    return snapshot_.ReadString(section, key, default_value, capacity);
  }

 private:
  const ProfileSnapshot& snapshot_;
};

// The parsed snapshot must find what the line-by-line scan finds.
void CheckKey(const ProfileSnapshot& snapshot, std::string_view text, const char* section,
              const std::string& key) {
  if (snapshot.Find(section, key) != FindProfileValue(text, section, key)) std::abort();
}

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

// The rules' decision; a packet whose IP header does not decode is dropped.
int Decide(const FilterRules& rules, const std::vector<uint8_t>& p) {
  const int32_t n = static_cast<int32_t>(p.size());
  IpHeader ip;
  return DecodeIpHeader(ip, p.data(), n) ? DecidePacket(rules, ip, p.data(), n) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FILE* file = std::fopen(SettingsPaths::Config(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  // What every reader parses: the bytes without a byte-order mark, or a UTF-16
  // file's code page 932 text.
  const std::string text = SettingsTextOfBytes(bytes);
  ConfigFile::MarkChanged();  // what the watcher does for a hand edit

  ProfileSnapshot snapshot;
  snapshot.Assign(text);
  const FilterRules parsed = ReadFilterRules(snapshot);
  const int rules = snapshot.ReadInt("IP_config", "LIST_NUM", 0);
  if (ConfigFile::ReadInt("IP_config", "LIST_NUM", 0) != rules) std::abort();

  const uint8_t a[4] = {192, 168, 0, 1};
  const uint8_t b[4] = {10, 0, 0, 2};
  const uint8_t any[4] = {0, 0, 0, 0};
  const std::vector<uint8_t> packets[] = {
      Packet(6, a, b, 80, true),      Packet(6, b, a, 5000, true), Packet(17, a, b, 0, true),
      Packet(17, any, any, 53, true), Packet(6, a, b, 80, false),  Packet(1, a, b, 0, true),
      Packet(47, a, b, 0, true),
  };
  const int32_t tcp_size = static_cast<int32_t>(packets[0].size());
  static PacketFilter filter(SettingsPaths::Config());
  if (filter.Accept(packets[0].data(), tcp_size) != Decide(parsed, packets[0])) {
    std::abort();
  }

  // Load and the key-by-key decision walk every rule number below LIST_NUM.
  if (rules > 16) return 0;
  const FilterSettings settings = ConfigFile::Load();
  if (settings.rules.size() != static_cast<size_t>(rules < 0 ? 0 : rules)) std::abort();
  for (const char* key : {"LIST_NUM", "0_LIST_SRC_IP"}) CheckKey(snapshot, text, "IP_config", key);
  for (const char* key : {"TCP", "UDP", "ICMP", "OTHER"}) {
    CheckKey(snapshot, text, "Protocol_config", key);
  }
  for (int i = 0; i < rules; ++i) {
    for (const char* name : {"SRC_IP", "SRC_PORT", "VEC", "DEST_IP", "DEST_PORT"}) {
      CheckKey(snapshot, text, "IP_config", std::to_string(i) + "_LIST_" + name);
    }
  }
  const SnapshotKeys keys(snapshot);
  for (const std::vector<uint8_t>& p : packets) {
    const int32_t n = static_cast<int32_t>(p.size());
    if (Decide(parsed, p) != PacketFilterReference::Accept(p.data(), n, keys)) {
      std::abort();
    }
  }
  return 0;
}
