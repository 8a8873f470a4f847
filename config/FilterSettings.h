// Everything config.ini holds, as the filter-settings dialog edits it and
// ConfigFile::Load / ConfigFile::Write move it between memory and the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One address/port rule of the packet filter. The four fields stay text, as
// entered and stored, because the filter compares them as text: "0.0.0.0" is
// any address and "*" any port. Endpoint 1 is src, endpoint 2 is dest; each
// port is the one on which that endpoint receives.
struct FilterRule {
  std::string src_ip, src_port, dest_ip, dest_port;
  int32_t vec = 0;  // 1: one way, from endpoint 1 to endpoint 2; 0: both ways
};

struct FilterSettings {
  uint32_t ring_max = 0;   // store limit in Kbyte (1000 bytes); 0: no limit
  bool ring_roop = false;  // overwrite the oldest packets when the store is full
  uint32_t cap_fps = 10;   // receive interval in milliseconds
  bool tcp = false, udp = false, icmp = false, other = false;
  std::vector<FilterRule> rules;
};
