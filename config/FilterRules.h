// The packet filter's rules as parsed from one copy of config.ini, with
// exactly the key reads, defaults and capacities the filter uses, and the
// decision made from them. Pure: no files, no state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ProfileSnapshot.h"
#include "packet/HeaderDecoders.h"

struct FilterRules {
  // One rule endpoint as the filter reads it: address text of up to 15
  // characters, port text of up to 7 characters reduced to its number.
  struct Endpoint {
    std::string ip;
    bool any_ip = false;  // "0.0.0.0"
    int64_t port = 0;
    bool any_port = false;  // "*"
  };
  struct Rule {
    Endpoint src, dest;
    bool one_way = false;  // any LIST_VEC other than 0
  };

  int list_num = 0;                           // LIST_NUM
  int tcp = 0, udp = 0, icmp = 0, other = 0;  // the protocol switches as read
  // The rules numbered below LIST_NUM that have an address key, in number
  // order. A rule without one reads an empty address, which matches nothing.
  std::vector<Rule> rules;
};

// May throw std::bad_alloc.
FilterRules ReadFilterRules(const ProfileSnapshot& profile);

// 1 keep, 0 drop. `ip` is the datagram's IP header, decoded by the caller.
int DecidePacket(const FilterRules& filter, const IpHeader& ip, const uint8_t* bytes,
                 int32_t count);

// "%d.%d.%d.%d" of the four bytes into `out`; returns the length (7 to 15).
int FormatDottedAddress(const uint8_t address[4], char out[16]);
