// The names of TCP control flags as the packet list and the text report show
// them: "TCP " followed by " FIN", " SYN", " RST", " PSH", " ACK", " URG" for
// each flag that is set, always in that order.
#pragma once

#include <cstddef>
#include <cstdint>

// Longest text: "TCP " and all six names, plus the terminating zero.
inline constexpr size_t kTcpFlagTextCapacity = 4 + 6 * 4 + 1;

// Writes the flag text of `control_flags` into `out` (capacity >= kTcpFlagTextCapacity);
// returns its length.
size_t FormatTcpFlagText(char* out, uint8_t control_flags);
