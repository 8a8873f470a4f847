// The packet filter's decision made the slow, literal way: every key read opens
// and parses config.ini again (ConfigFile::ReadInt / ReadString), in the order
// and with the capacities the filter defines, and the packet's addresses are
// formatted again for each rule. The capture thread uses PacketFilter::Accept;
// this is the yardstick the tests and the fuzzer hold it against and the
// baseline the benchmark compares it with.
#pragma once

#include <cstdint>

namespace PacketFilterReference {

int Accept(const uint8_t* bytes, int32_t count);

}  // namespace PacketFilterReference
