// The packet filter: decides for each received datagram whether it enters the
// store, from the protocol switches and the address/port rules of config.ini.
//
// A save or a hand edit of the file applies from the next packet on. The file
// is not parsed for every packet: each thread keeps a parsed copy that is
// checked against the file (identity, size, modification time, and the bytes
// while the time stamp is too recent to trust) at the start of every call.
#pragma once

#include <cstdint>

namespace PacketFilter {

// 1 to keep the datagram (which begins with its IPv4 header), 0 to drop it.
int Accept(const uint8_t* bytes, int32_t count);

}  // namespace PacketFilter
