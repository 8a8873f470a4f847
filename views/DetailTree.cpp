// The detail tree: one labelled line per header field, the payload's hex dump,
// and the expansion of the branches the user left open.
#include "views/DetailTree.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

#include "log/PrintfFormat.h"
#include "packet/HeaderDecoders.h"
#include "views/HexDump.h"

namespace {

// Formats one field line and appends it under `parent`.
KESTREL_PRINTF_FORMAT(3, 4)
void AddLine(TreePane& tree, TreePane::Item parent, const char* format, ...) {
  char line[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  tree.InsertItem(parent, line);
}

void AddIpLines(TreePane& tree, TreePane::Item item, const IpHeader& ip) {
  AddLine(tree, item, "Version       : %d", int{ip.version});
  AddLine(tree, item, "HeaderLength  : %d byte", IpHeaderBytes(ip));
  AddLine(tree, item, "Type          : %d", int{ip.type_of_service});
  AddLine(tree, item, "TotalLength   : %d byte", int{ip.total_length});
  AddLine(tree, item, "Identification: %d", int{ip.identification});
  AddLine(tree, item, "Flags         : %d", int{ip.flags});
  AddLine(tree, item, "FlagmentOffset: %d", int{ip.fragment_offset});
  AddLine(tree, item, "TimeToLive    : %d", int{ip.time_to_live});
  AddLine(tree, item, "Protocol      : %d", int{ip.protocol});
  AddLine(tree, item, "Cheaksum      : %d", int{ip.checksum});
  AddLine(tree, item, "Source        : %d.%d.%d.%d", ip.source[0], ip.source[1], ip.source[2],
          ip.source[3]);
  AddLine(tree, item, "Destination   : %d.%d.%d.%d", ip.destination[0], ip.destination[1],
          ip.destination[2], ip.destination[3]);
}

void AddIcmpLines(TreePane& tree, TreePane::Item item, const IcmpHeader& icmp) {
  AddLine(tree, item, "Type     : %d", int{icmp.type});
  AddLine(tree, item, "Code     : %d", int{icmp.code});
  AddLine(tree, item, "CheackSum: %d", int{icmp.checksum});
}

void AddTcpLines(TreePane& tree, TreePane::Item item, const IpHeader& ip, const TcpHeader& tcp) {
  AddLine(tree, item, "SourcePort           : %d", int{tcp.source_port});
  AddLine(tree, item, "DestinationPort      : %d", int{tcp.destination_port});
  AddLine(tree, item, "SequenceNumber       : %u", tcp.sequence_number);
  AddLine(tree, item, "AcknowledgementNumber: %u", tcp.acknowledgement_number);
  AddLine(tree, item, "DataOffset           : %d byte", 4 * int{tcp.data_offset});
  AddLine(tree, item, "Reserved             : %d", int{tcp.reserved});
  AddLine(tree, item, "ControlFlag          : %d", int{tcp.control_flags});
  AddLine(tree, item, "Window               : %d", int{tcp.window});
  AddLine(tree, item, "CheackSum            : %d", int{tcp.checksum});
  AddLine(tree, item, "UrgentPointer        : %d", int{tcp.urgent_pointer});
  AddLine(tree, item, "TCP Data Length      : %d byte", TcpDataLength(ip, tcp));
}

void AddUdpLines(TreePane& tree, TreePane::Item item, const IpHeader& ip, const UdpHeader& udp) {
  AddLine(tree, item, "SourcePort     : %d", int{udp.source_port});
  AddLine(tree, item, "DestinationPort: %d", int{udp.destination_port});
  AddLine(tree, item, "Length         : %d byte", int{udp.length});
  AddLine(tree, item, "CheackSum      : %d", int{udp.checksum});
  AddLine(tree, item, "UDP Data Length: %d byte", UdpDataLength(ip));
}

// The payload branch: the bytes captured after the headers, offset `offset`.
// The caller decides by the IP total length whether there is a payload, so the
// headers may reach past the captured bytes; the count is then negative and
// the dump reads nothing.
void AddDataBranch(const CapturedPacket& packet, int32_t offset, TreePane& tree,
                   TreePane::Item recv_data, const TreeExpansionFlags& flags,
                   DetailTreeItems& items) {
  items.data = tree.InsertItem(recv_data, "DATA");
  const int32_t size = static_cast<int32_t>(packet.size);
  const uint8_t* start = offset <= size ? packet.data + offset : packet.data;
  AddHexDumpToTree(tree, items.data, start, size - offset);
  if (flags.data == 1) tree.ExpandItem(items.data);
}

}  // namespace

void BuildDetailTree(const CapturedPacket& packet, TreePane& tree, const TreeExpansionFlags& flags,
                     DetailTreeItems& items) {
  const int32_t size = static_cast<int32_t>(packet.size);
  const TreePane::Item recv_data = tree.InsertItem(0, "RecvData");
  const TreePane::Item header = tree.InsertItem(recv_data, "Header");
  items.ip_header = tree.InsertItem(header, "IP HEADER");
  tree.ExpandItem(header);

  // A failed decode leaves the header zero: protocol 0, header length 0.
  IpHeader ip{};
  if (DecodeIpHeader(ip, packet.data, size)) AddIpLines(tree, items.ip_header, ip);
  int32_t offset = IpHeaderBytes(ip);
  if (flags.ip == 1) tree.ExpandItem(items.ip_header);

  switch (ip.protocol) {
    case kProtocolIcmp: {
      items.icmp_header = tree.InsertItem(header, "ICMP HEADER");
      IcmpHeader icmp{};
      if (DecodeIcmpHeader(icmp, packet.data, size)) {
        AddIcmpLines(tree, items.icmp_header, icmp);
      } else {
        tree.InsertItem(items.icmp_header, "NONE DATA");
      }
      offset += 4;
      if (IcmpDataLength(ip) > 0) AddDataBranch(packet, offset, tree, recv_data, flags, items);
      if (flags.icmp == 1) tree.ExpandItem(items.icmp_header);
      break;
    }
    case kProtocolTcp: {
      items.tcp_header = tree.InsertItem(header, "TCP HEADER");
      TcpHeader tcp{};
      if (DecodeTcpHeader(tcp, packet.data, size)) {
        AddTcpLines(tree, items.tcp_header, ip, tcp);
      } else {
        tree.InsertItem(items.tcp_header, "NONE DATA");
      }
      offset += 4 * int32_t{tcp.data_offset};
      if (TcpDataLength(ip, tcp) > 0) AddDataBranch(packet, offset, tree, recv_data, flags, items);
      if (flags.tcp == 1) tree.ExpandItem(items.tcp_header);
      break;
    }
    case kProtocolUdp: {
      items.udp_header = tree.InsertItem(header, "UDP HEADER");
      UdpHeader udp{};
      if (DecodeUdpHeader(udp, packet.data, size)) {
        AddUdpLines(tree, items.udp_header, ip, udp);
      } else {
        tree.InsertItem(items.udp_header, "NONE DATA");
      }
      offset += 8;
      if (UdpDataLength(ip) > 0) AddDataBranch(packet, offset, tree, recv_data, flags, items);
      if (flags.udp == 1) tree.ExpandItem(items.udp_header);
      break;
    }
    default:
      break;
  }
}

void ShowPacketDetail(uint64_t sequence, const PacketStore& store, TreePane& tree, HexPane& hex,
                      const TreeExpansionFlags& flags, DetailTreeItems& items) {
  tree.DeleteAllItems();
  // Handles of deleted items are reused by the tree for new ones; kept, they
  // would match items of this build in the expansion bookkeeping.
  items = DetailTreeItems{};
  // The capture thread may free the record at any moment: work on a copy of
  // its bytes taken under the store's lock.
  CapturedPacket packet;
  std::vector<uint8_t> bytes;
  if (!store.CopyPacketBySequence(sequence, packet, bytes)) return;
  BuildDetailTree(packet, tree, flags, items);
  ShowHexDump(hex, packet.data, packet.size);
}

void NoteBranchExpansion(TreeExpansionFlags& flags, const DetailTreeItems& items,
                         TreePane::Item item, bool expanded) {
  if (item == 0) return;
  const std::pair<TreePane::Item, int32_t TreeExpansionFlags::*> tracked[] = {
      {items.ip_header, &TreeExpansionFlags::ip},   {items.icmp_header, &TreeExpansionFlags::icmp},
      {items.tcp_header, &TreeExpansionFlags::tcp}, {items.udp_header, &TreeExpansionFlags::udp},
      {items.data, &TreeExpansionFlags::data},
  };
  for (const auto& [handle, flag] : tracked) {
    if (handle != item) continue;
    flags.*flag = expanded ? 1 : 0;
    return;
  }
}
