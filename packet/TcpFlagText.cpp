// TCP flag names in the fixed order the views list them.
#include "packet/TcpFlagText.h"

#include <cstring>

#include "packet/HeaderDecoders.h"

namespace {

struct FlagName {
  uint8_t bit;
  const char* name;
};

constexpr FlagName kFlagNames[] = {
    {kTcpFin, " FIN"}, {kTcpSyn, " SYN"}, {kTcpRst, " RST"},
    {kTcpPsh, " PSH"}, {kTcpAck, " ACK"}, {kTcpUrg, " URG"},
};

}  // namespace

size_t FormatTcpFlagText(char* out, uint8_t control_flags) {
  std::memcpy(out, "TCP ", 4);
  size_t length = 4;
  for (const FlagName& flag : kFlagNames) {
    if ((control_flags & flag.bit) == 0) continue;
    std::memcpy(out + length, flag.name, 4);
    length += 4;
  }
  out[length] = '\0';
  return length;
}
