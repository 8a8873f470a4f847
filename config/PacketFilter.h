// The packet filter: decides for each received datagram whether it enters the
// store, from the protocol switches and the address/port rules of config.ini.
//
// A save through ConfigFile::Write applies from the next packet on; a hand edit
// from the first packet after its change notice, and within 100 ms in any
// case. The file is neither parsed nor even looked at for every packet: each
// thread keeps a parsed copy, read again when the settings' change count moved
// and otherwise checked against the file's stamp (identity, size, modification
// time, and the bytes while the time stamp is too recent to trust) at most
// every 100 ms.
#pragma once

#include <cstdint>

namespace PacketFilter {

// 1 to keep the datagram (which begins with its IPv4 header), 0 to drop it.
int Accept(const uint8_t* bytes, int32_t count);

// 1 when RING_ROOP is 1: a full store overwrites its oldest packets. Read from
// the same copy of config.ini as Accept, kept up to date the same way, so a
// capture in overwrite mode does not read the file for every packet.
int OverwriteWhenFull();

}  // namespace PacketFilter
