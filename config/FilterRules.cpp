// Reading the filter's keys from a snapshot, and the per-packet decision:
// protocol switches first, then the address/port rules, forward and, for a
// both-ways rule, in reverse. Only the destination port is ever compared.
#include "config/FilterRules.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "config/ProfileText.h"
#include "packet/HeaderDecoders.h"

namespace {

constexpr const char* kProtocolSection = "Protocol_config";
constexpr const char* kRuleSection = "IP_config";
constexpr size_t kAddressCapacity = 16;
constexpr size_t kPortCapacity = 8;

// The rule number of a key named "<n>_LIST_SRC_IP", with <n> written the way
// "%d" writes a non-negative int, or -1 for any other key.
int RuleNumberOfAddressKey(std::string_view name) {
  constexpr std::string_view kSuffix = "_LIST_SRC_IP";
  if (name.size() <= kSuffix.size()) return -1;
  const std::string_view digits = name.substr(0, name.size() - kSuffix.size());
  if (!ProfileNamesEqual(name.substr(digits.size()), kSuffix)) return -1;
  if (digits.size() > 1 && digits[0] == '0') return -1;
  int64_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
    if (n > INT_MAX) return -1;
  }
  return static_cast<int>(n);
}

FilterRules::Endpoint ReadEndpoint(const ProfileSnapshot& profile, const std::string& ip_key,
                                   const std::string& port_key) {
  FilterRules::Endpoint e;
  e.ip = profile.ReadString(kRuleSection, ip_key, "", kAddressCapacity);
  e.any_ip = e.ip == "0.0.0.0";
  const std::string port = profile.ReadString(kRuleSection, port_key, "", kPortCapacity);
  e.port = LeadingInteger(port);
  e.any_port = port == "*";
  return e;
}

std::string RuleKey(int number, const char* name) {
  return std::to_string(number) + "_LIST_" + name;
}

bool AddressMatches(const FilterRules::Endpoint& rule, std::string_view packet_address) {
  return rule.any_ip || rule.ip == packet_address;
}

bool PortMatches(const FilterRules::Endpoint& rule, uint16_t destination_port) {
  return rule.any_port || rule.port == destination_port;
}

// Packets from endpoint `from` to endpoint `to`, arriving on `to`'s port.
bool Matches(const FilterRules::Endpoint& from, const FilterRules::Endpoint& to,
             std::string_view source, std::string_view destination, uint16_t destination_port) {
  return AddressMatches(from, source) && AddressMatches(to, destination) &&
         PortMatches(to, destination_port);
}

bool DestinationPort(const uint8_t* bytes, int32_t count, uint8_t protocol, uint16_t& port) {
  if (protocol == kProtocolTcp) {
    TcpHeader tcp;
    if (!DecodeTcpHeader(tcp, bytes, count)) return false;
    port = tcp.destination_port;
    return true;
  }
  UdpHeader udp;
  if (!DecodeUdpHeader(udp, bytes, count)) return false;
  port = udp.destination_port;
  return true;
}

}  // namespace

FilterRules ReadFilterRules(const ProfileSnapshot& profile) {
  FilterRules filter;
  filter.list_num = profile.ReadInt(kRuleSection, "LIST_NUM", 0);
  filter.tcp = profile.ReadInt(kProtocolSection, "TCP", 0);
  filter.udp = profile.ReadInt(kProtocolSection, "UDP", 0);
  filter.icmp = profile.ReadInt(kProtocolSection, "ICMP", 0);
  filter.other = profile.ReadInt(kProtocolSection, "OTHER", 0);

  // Found by scanning the section's keys rather than counting up to LIST_NUM,
  // which a hand edit can set to billions.
  std::vector<int> numbers;
  for (const std::string_view name : profile.KeyNames(kRuleSection)) {
    const int n = RuleNumberOfAddressKey(name);
    if (n >= 0 && n < filter.list_num) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

  for (const int n : numbers) {
    FilterRules::Rule rule;
    rule.src = ReadEndpoint(profile, RuleKey(n, "SRC_IP"), RuleKey(n, "SRC_PORT"));
    rule.one_way = profile.ReadInt(kRuleSection, RuleKey(n, "VEC"), 0) != 0;
    rule.dest = ReadEndpoint(profile, RuleKey(n, "DEST_IP"), RuleKey(n, "DEST_PORT"));
    if (rule.src.ip.empty()) continue;
    filter.rules.push_back(std::move(rule));
  }
  return filter;
}

int FormatDottedAddress(const uint8_t address[4], char out[16]) {
  int at = 0;
  for (int i = 0; i < 4; ++i) {
    const int b = address[i];
    if (b >= 100) out[at++] = static_cast<char>('0' + b / 100);
    if (b >= 10) out[at++] = static_cast<char>('0' + b / 10 % 10);
    out[at++] = static_cast<char>('0' + b % 10);
    if (i < 3) out[at++] = '.';
  }
  out[at] = '\0';
  return at;
}

int DecidePacket(const FilterRules& filter, const IpHeader& ip, const uint8_t* bytes,
                 int32_t count) {
  switch (ip.protocol) {
    case kProtocolIcmp:
      return filter.icmp == 1 ? 1 : 0;
    case kProtocolTcp:
      if (filter.tcp == 0) return 0;
      break;
    case kProtocolUdp:
      if (filter.udp == 0) return 0;
      break;
    default:
      return filter.other == 1 ? 1 : 0;
  }
  if (filter.list_num == 0) return 1;

  uint16_t port = 0;
  if (filter.rules.empty() || !DestinationPort(bytes, count, ip.protocol, port)) return 0;
  char source_text[16];
  char destination_text[16];
  const std::string_view source(source_text, FormatDottedAddress(ip.source, source_text));
  const std::string_view destination(destination_text,
                                     FormatDottedAddress(ip.destination, destination_text));
  for (const FilterRules::Rule& rule : filter.rules) {
    if (Matches(rule.src, rule.dest, source, destination, port)) return 1;
    if (!rule.one_way && Matches(rule.dest, rule.src, source, destination, port)) return 1;
  }
  return 0;
}
