// The packet filter's decision made the slow, literal way: every key is read
// on its own, in the order and with the capacities the filter defines (by
// default with ConfigFile::ReadInt / ReadString, which open and parse
// config.ini each time), and the packet's addresses are formatted again for
// each rule. The capture thread uses PacketFilter::Accept; this is the
// yardstick the tests and the fuzzer hold it against and the baseline the
// benchmark compares it with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace PacketFilterReference {

// Where the decision reads its keys from.
class KeyReader {
 public:
  virtual ~KeyReader() = default;
  virtual int ReadInt(const char* section, const char* key, int default_value) const = 0;
  virtual std::string ReadString(const char* section, const char* key, const char* default_value,
                                 size_t capacity) const = 0;
};

// Reads every key from config.ini afresh.
int Accept(const uint8_t* bytes, int32_t count);

int Accept(const uint8_t* bytes, int32_t count, const KeyReader& keys);

}  // namespace PacketFilterReference
