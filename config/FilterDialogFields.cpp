// The filter-settings dialog's values and decisions, without any window code.
#include "config/FilterDialogFields.h"

#include <cstdint>
#include <limits>

namespace {

const char* DirectionText(int32_t vec) {
  if (vec == 0) return kDirectionBothWays;
  if (vec == 1) return kDirectionOneWay;
  return "";
}

// The number a digits-only field holds; the edit control cannot stop a pasted
// sign or letter, so reading stops at the first non-digit. The size field has
// no length limit: a number beyond 32 bits reads as the largest one.
uint32_t FieldNumber(const std::string& text) {
  constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > kMax) return static_cast<uint32_t>(kMax);
  }
  return static_cast<uint32_t>(value);
}

// The five flags carry the same names on both sides.
template <typename From, typename To>
void CopyFlags(const From& from, To& to) {
  to.ring_roop = from.ring_roop;
  to.tcp = from.tcp;
  to.udp = from.udp;
  to.icmp = from.icmp;
  to.other = from.other;
}

}  // namespace

FilterDialogFields FieldsFromSettings(const FilterSettings& s) {
  FilterDialogFields f;
  f.ring_max = std::to_string(s.ring_max);
  f.cap_fps = std::to_string(s.cap_fps);
  CopyFlags(s, f);
  for (const FilterRule& r : s.rules) {
    f.rows.push_back({r.src_ip, r.src_port, DirectionText(r.vec), r.dest_ip, r.dest_port});
  }
  return f;
}

FilterSettings SettingsFromFields(const FilterDialogFields& f) {
  FilterSettings s;
  s.ring_max = FieldNumber(f.ring_max);
  s.cap_fps = FieldNumber(f.cap_fps);
  CopyFlags(f, s);
  for (const RuleRow& row : f.rows) {
    s.rules.push_back({row[0], row[1], row[3], row[4], row[2] == kDirectionOneWay ? 1 : 0});
  }
  return s;
}

RuleRow NewRuleRow(const std::string& address1, const std::string& port1,
                   const std::string& direction, const std::string& address2,
                   const std::string& port2) {
  return {address1, port1.empty() ? "*" : port1, direction, address2, port2.empty() ? "*" : port2};
}

int RowToSelectAfterDelete(int deleted, int remaining) {
  return deleted < remaining ? deleted : -1;
}
