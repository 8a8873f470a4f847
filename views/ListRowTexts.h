// The texts of one packet-list row, as pure functions of the packet and the
// receive time of the packet listed before it: the window's list, the
// command-line tool and the benchmarks all build rows through here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/SystemTime.h"
#include "packet/CapturedPacket.h"

inline constexpr int kListColumnCount = 14;
// Every cell format is bounded (the longest, the receive time with five-digit
// fields, is 42 characters), so 64 bytes hold any cell with its terminator.
inline constexpr size_t kListCellCapacity = 64;

// Column positions of the packet list.
enum ListColumn : int {
  kColumnNumber = 0,
  kColumnProtocol = 1,
  kColumnSourceIp = 2,
  kColumnSourcePort = 3,
  kColumnArrow = 4,
  kColumnDestinationIp = 5,
  kColumnDestinationPort = 6,
  kColumnTotal = 7,
  kColumnSize = 8,
  kColumnSequence = 9,
  kColumnAcknowledgement = 10,
  kColumnReceiveTime = 11,
  kColumnDiffTime = 12,
};

struct ListRowTexts {
  char cells[kListColumnCount][kListCellCapacity];
  // True when the IP header decoded: only then does the row carry a receive
  // time, and only then does it become the "previous" packet for DiffTime.
  bool ip_decoded;
};

// Fills every cell of the row for `packet`, numbered `row_number`. Cells the
// packet has no value for are empty. `previous_time` is the receive time of the
// last listed packet whose IP header decoded (all zero: none since the reset).
void ListRowCells(const CapturedPacket& packet, int32_t row_number, const SystemTime& previous_time,
                  ListRowTexts& out);

// The DiffTime text: "0 sec" when `previous_time` has year 0, otherwise the
// difference of the two times of day as "%.3f sec" (dates are ignored, so a
// packet after midnight reads negative). Writes at most kListCellCapacity bytes.
void FormatDiffTime(char* out, const SystemTime& time, const SystemTime& previous_time);

// "(Echo Request)" and the other ICMP type names of the list; "(???]" for any
// type without a name.
const char* IcmpTypeName(uint8_t type);
