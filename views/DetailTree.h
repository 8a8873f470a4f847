// The detail tree of the selected packet: "RecvData", "Header", the IP header
// and its ICMP/TCP/UDP header field by field, the payload as hex-dump lines
// under "DATA"; then the whole datagram in the hex pane. Runs on the
// user-interface thread while the capture thread may remove records, so it
// works on a copy of the packet taken under the store's lock.
#pragma once

#include <cstdint>

#include "packet/CapturedPacket.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// Which branches open by themselves after a build (1 opened, 0 closed).
struct TreeExpansionFlags {
  int32_t ip = 0, icmp = 0, tcp = 0, udp = 0, data = 0;
};

// Handles of the items the expansion flags follow, 0 for items the tree
// does not hold.
struct DetailTreeItems {
  TreePane::Item ip_header = 0, icmp_header = 0, tcp_header = 0, udp_header = 0, data = 0;
};

// The user opened (`expanded` true) or closed `item`: the flag of the first
// tracked item it is, in the order IP, ICMP, TCP, UDP, DATA, follows. Other
// items ("RecvData", "Header", field lines) change nothing.
void NoteBranchExpansion(TreeExpansionFlags& flags, const DetailTreeItems& items,
                         TreePane::Item item, bool expanded);

// Empties the tree (forgetting the item handles), then shows the record with
// sequence number `sequence` (PacketStore::FirstSequence) in the tree and the
// hex pane. When the record is not there (or cannot be copied) the tree stays
// empty and the hex pane keeps what it showed.
void ShowPacketDetail(uint64_t sequence, const PacketStore& store, TreePane& tree, HexPane& hex,
                      const TreeExpansionFlags& flags, DetailTreeItems& items);

// Builds the tree of `packet` at the root of `tree` (which the caller has
// emptied) and opens the branches the flags ask for.
void BuildDetailTree(const CapturedPacket& packet, TreePane& tree, const TreeExpansionFlags& flags,
                     DetailTreeItems& items);
