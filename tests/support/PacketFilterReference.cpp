// Key-by-key packet filter; see the header for why it exists.
#include "support/PacketFilterReference.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/ConfigFile.h"
#include "packet/HeaderDecoders.h"

namespace {

class ConfigFileKeys : public PacketFilterReference::KeyReader {
 public:
  int ReadInt(const char* section, const char* key, int default_value) const override {
    return ConfigFile::ReadInt(section, key, default_value);
  }
  std::string ReadString(const char* section, const char* key, const char* default_value,
                         size_t capacity) const override {
    return ConfigFile::ReadString(section, key, default_value, capacity);
  }
};

std::string ReadRuleText(const PacketFilterReference::KeyReader& keys, int rule, const char* format,
                         size_t capacity) {
  char key[64];
  std::snprintf(key, sizeof key, format, rule);
  return keys.ReadString("IP_config", key, "", capacity);
}

bool TextMatches(const std::string& rule_address, const char* packet_address) {
  return rule_address == packet_address || rule_address == "0.0.0.0";
}

bool PortMatches(const std::string& rule_port, uint16_t port) {
  return rule_port == "*" || std::strtol(rule_port.c_str(), nullptr, 10) == long{port};
}

}  // namespace

namespace PacketFilterReference {

int Accept(const uint8_t* bytes, int32_t count) {
  return Accept(bytes, count, ConfigFileKeys());
}

int Accept(const uint8_t* bytes, int32_t count, const KeyReader& keys) {
  IpHeader ip;
  if (!DecodeIpHeader(ip, bytes, count)) return 0;
  const int n = keys.ReadInt("IP_config", "LIST_NUM", 0);
  switch (ip.protocol) {
    case kProtocolIcmp:
      return keys.ReadInt("Protocol_config", "ICMP", 0) == 1 ? 1 : 0;
    case kProtocolTcp:
      if (keys.ReadInt("Protocol_config", "TCP", 0) == 0) return 0;
      break;
    case kProtocolUdp:
      if (keys.ReadInt("Protocol_config", "UDP", 0) == 0) return 0;
      break;
    default:
      return keys.ReadInt("Protocol_config", "OTHER", 0) == 1 ? 1 : 0;
  }
  if (n == 0) return 1;
  for (int i = 0; i < n; ++i) {
    const std::string src_ip = ReadRuleText(keys, i, "%d_LIST_SRC_IP", 16);
    const std::string src_port = ReadRuleText(keys, i, "%d_LIST_SRC_PORT", 8);
    char vec_key[64];
    std::snprintf(vec_key, sizeof vec_key, "%d_LIST_VEC", i);
    const int vec = keys.ReadInt("IP_config", vec_key, 0);
    const std::string dest_ip = ReadRuleText(keys, i, "%d_LIST_DEST_IP", 16);
    const std::string dest_port = ReadRuleText(keys, i, "%d_LIST_DEST_PORT", 8);

    char source[16];
    char destination[16];
    std::snprintf(source, sizeof source, "%d.%d.%d.%d", ip.source[0], ip.source[1], ip.source[2],
                  ip.source[3]);
    std::snprintf(destination, sizeof destination, "%d.%d.%d.%d", ip.destination[0],
                  ip.destination[1], ip.destination[2], ip.destination[3]);

    uint16_t port = 0;
    if (ip.protocol == kProtocolTcp) {
      TcpHeader tcp;
      if (!DecodeTcpHeader(tcp, bytes, count)) continue;
      port = tcp.destination_port;
    } else {
      UdpHeader udp;
      if (!DecodeUdpHeader(udp, bytes, count)) continue;
      port = udp.destination_port;
    }

    if (TextMatches(src_ip, source) && TextMatches(dest_ip, destination) &&
        PortMatches(dest_port, port)) {
      return 1;
    }
    if (vec != 0) continue;
    if (TextMatches(dest_ip, source) && TextMatches(src_ip, destination) &&
        PortMatches(src_port, port)) {
      return 1;
    }
  }
  return 0;
}

}  // namespace PacketFilterReference
