// Cell texts of the packet list. A capture lists every packet it keeps, so the
// cells are written digit by digit instead of through printf: the results are
// the texts of the "%d", "%u", "%0Nd" and "%.3f" formats the list defines.
#include "views/ListRowTexts.h"

#include <cstring>

#include "packet/HeaderDecoders.h"
#include "packet/TcpFlagText.h"

namespace {

// Appends to one cell, never past kListCellCapacity (the formats cannot reach
// it, but the bound keeps that a property of this class, not of the callers).
class CellWriter {
 public:
  explicit CellWriter(char* out) : out_(out) {}
  ~CellWriter() { out_[length_] = '\0'; }
  CellWriter(const CellWriter&) = delete;
  CellWriter& operator=(const CellWriter&) = delete;

  CellWriter& Char(char c) {
    if (length_ + 1 < kListCellCapacity) out_[length_++] = c;
    return *this;
  }

  CellWriter& Text(const char* text) {
    while (*text != '\0') Char(*text++);
    return *this;
  }

  // "%u", or "%0Nd" for a non-negative value with min_digits N.
  CellWriter& Unsigned(uint64_t value, int min_digits = 1) {
    char digits[24];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count < min_digits) digits[count++] = '0';
    while (count > 0) Char(digits[--count]);
    return *this;
  }

  CellWriter& Signed(int64_t value) {
    if (value < 0) {
      Char('-');
      return Unsigned(0 - static_cast<uint64_t>(value));
    }
    return Unsigned(static_cast<uint64_t>(value));
  }

  CellWriter& Address(const uint8_t (&address)[4]) {
    return Unsigned(address[0])
        .Char('.')
        .Unsigned(address[1])
        .Char('.')
        .Unsigned(address[2])
        .Char('.')
        .Unsigned(address[3]);
  }

 private:
  char* out_;
  size_t length_ = 0;
};

// A signed 32-bit length printed with "%u": a negative one as its unsigned
// 32-bit value.
uint32_t AsPrintedUnsigned(int32_t length) {
  return static_cast<uint32_t>(length);
}

// Milliseconds of the day in 32-bit arithmetic. Times read from a file can
// hold any 16-bit values, so the sum wraps (unsigned, well defined) rather than
// overflowing a signed integer.
uint32_t MillisecondsOfDay(const SystemTime& t) {
  return uint32_t{t.hour} * 3600000u + uint32_t{t.minute} * 60000u + uint32_t{t.second} * 1000u +
         uint32_t{t.milliseconds};
}

struct IcmpTypeNameEntry {
  uint8_t type;
  const char* name;
};

constexpr IcmpTypeNameEntry kIcmpTypeNames[] = {
    {0, "(Echo Reply)"},
    {3, "(Destination Unreachable)"},
    {5, "(Redirect)"},
    {8, "(Echo Request)"},
    {9, "(Router Advertisement)"},
    {10, "(Router Solicitation)"},
    {11, "(Time Exceeded)"},
    {12, "(Parameter Problem)"},
    {13, "(Timestamp)"},
    {14, "(Timestamp Reply)"},
    {15, "(Information Request)"},
    {16, "(Information Reply)"},
    {17, "(Address Mask Request)"},
    {18, "(Address Mask Reply)"},
    {30, "(Traceroute)"},
    {37, "(Domain Name Request)"},
    {38, "(Domain Name Reply)"},
};

void IcmpCells(const CapturedPacket& packet, const IpHeader& ip, ListRowTexts& out) {
  IcmpHeader icmp{};
  if (!DecodeIcmpHeader(icmp, packet.data, static_cast<int32_t>(packet.size))) {
    CellWriter(out.cells[kColumnProtocol]).Text("???ICMP???");
    return;
  }
  CellWriter(out.cells[kColumnProtocol]).Text("ICMP").Text(IcmpTypeName(icmp.type));
  CellWriter(out.cells[kColumnSourcePort]).Text("-----");
  CellWriter(out.cells[kColumnDestinationPort]).Text("-----");
  CellWriter(out.cells[kColumnSize]).Unsigned(AsPrintedUnsigned(IcmpDataLength(ip)));
  CellWriter(out.cells[kColumnSequence]).Text("-----");
  CellWriter(out.cells[kColumnAcknowledgement]).Text("-----");
}

void TcpCells(const CapturedPacket& packet, const IpHeader& ip, ListRowTexts& out) {
  TcpHeader tcp{};
  if (!DecodeTcpHeader(tcp, packet.data, static_cast<int32_t>(packet.size))) {
    CellWriter(out.cells[kColumnProtocol]).Text("???TCP???");
    return;
  }
  FormatTcpFlagText(out.cells[kColumnProtocol], tcp.control_flags);
  CellWriter(out.cells[kColumnSourcePort]).Unsigned(tcp.source_port);
  CellWriter(out.cells[kColumnDestinationPort]).Unsigned(tcp.destination_port);
  CellWriter(out.cells[kColumnSize]).Unsigned(AsPrintedUnsigned(TcpDataLength(ip, tcp)));
  CellWriter(out.cells[kColumnSequence]).Unsigned(tcp.sequence_number);
  CellWriter(out.cells[kColumnAcknowledgement]).Unsigned(tcp.acknowledgement_number);
}

void UdpCells(const CapturedPacket& packet, const IpHeader& ip, ListRowTexts& out) {
  UdpHeader udp{};
  if (!DecodeUdpHeader(udp, packet.data, static_cast<int32_t>(packet.size))) {
    CellWriter(out.cells[kColumnProtocol]).Text("???UDP???");
    return;
  }
  CellWriter(out.cells[kColumnProtocol]).Text("UDP");
  CellWriter(out.cells[kColumnSourcePort]).Unsigned(udp.source_port);
  CellWriter(out.cells[kColumnDestinationPort]).Unsigned(udp.destination_port);
  CellWriter(out.cells[kColumnSize]).Unsigned(AsPrintedUnsigned(UdpDataLength(ip)));
  CellWriter(out.cells[kColumnSequence]).Text("-----");
  CellWriter(out.cells[kColumnAcknowledgement]).Text("-----");
}

}  // namespace

const char* IcmpTypeName(uint8_t type) {
  for (const IcmpTypeNameEntry& entry : kIcmpTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return "(???]";
}

void FormatDiffTime(char* out, const SystemTime& time, const SystemTime& previous_time) {
  CellWriter cell(out);
  if (previous_time.year == 0) {
    cell.Text("0 sec");
    return;
  }
  const int32_t difference =
      static_cast<int32_t>(MillisecondsOfDay(time) - MillisecondsOfDay(previous_time));
  // The difference passes through a single-precision float before it is
  // divided by 1000 and printed with three decimals. The float is a whole
  // number of milliseconds, and any double within rounding of k / 1000 prints
  // as exactly k / 1000 with "%.3f", so the text is that integer's digits.
  const int64_t milliseconds = static_cast<int64_t>(static_cast<float>(difference));
  if (milliseconds < 0) cell.Char('-');
  const uint64_t magnitude = milliseconds < 0 ? 0 - static_cast<uint64_t>(milliseconds)
                                              : static_cast<uint64_t>(milliseconds);
  cell.Unsigned(magnitude / 1000).Char('.').Unsigned(magnitude % 1000, 3).Text(" sec");
}

void ListRowCells(const CapturedPacket& packet, int32_t row_number, const SystemTime& previous_time,
                  ListRowTexts& out) {
  for (auto& cell : out.cells) cell[0] = '\0';
  out.ip_decoded = false;
  CellWriter(out.cells[kColumnNumber]).Signed(row_number);

  IpHeader ip{};
  if (!DecodeIpHeader(ip, packet.data, static_cast<int32_t>(packet.size))) {
    CellWriter(out.cells[kColumnProtocol]).Text("???IP???");
    return;
  }
  out.ip_decoded = true;
  CellWriter(out.cells[kColumnSourceIp]).Address(ip.source);
  CellWriter(out.cells[kColumnArrow]).Text("⇒");
  CellWriter(out.cells[kColumnDestinationIp]).Address(ip.destination);
  CellWriter(out.cells[kColumnTotal]).Unsigned(ip.total_length);
  const SystemTime& t = packet.time;
  CellWriter(out.cells[kColumnReceiveTime])
      .Unsigned(t.year, 4)
      .Char('/')
      .Unsigned(t.month, 2)
      .Char('/')
      .Unsigned(t.day, 2)
      .Char('(')
      .Unsigned(t.hour, 2)
      .Char(':')
      .Unsigned(t.minute, 2)
      .Char(':')
      .Unsigned(t.second, 2)
      .Char('.')
      .Unsigned(t.milliseconds, 3)
      .Char(')');
  FormatDiffTime(out.cells[kColumnDiffTime], packet.time, previous_time);

  switch (ip.protocol) {
    case kProtocolIcmp:
      IcmpCells(packet, ip, out);
      break;
    case kProtocolTcp:
      TcpCells(packet, ip, out);
      break;
    case kProtocolUdp:
      UdpCells(packet, ip, out);
      break;
    default:
      CellWriter(out.cells[kColumnProtocol]).Text("???");
      break;
  }
}
