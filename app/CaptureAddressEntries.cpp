// The capture-address dialog's entries.
#include "app/CaptureAddressEntries.h"

#include <algorithm>

CaptureAddressEntries MakeCaptureAddressEntries(const std::vector<HostAddress>& host,
                                                const std::string& automatic_now,
                                                const CaptureAddressChoice& current) {
  CaptureAddressEntries out;
  out.entries.push_back({kAutomaticEntryText, automatic_now.empty() ? "" : "現在 " + automatic_now,
                         CaptureAddressChoice{}});
  auto listed = [&](const std::string& address) {
    return std::any_of(out.entries.begin() + 1, out.entries.end(),
                       [&](const CaptureAddressEntry& e) { return e.choice.address == address; });
  };
  for (const HostAddress& h : host) {
    // Every 127.x address is the loopback interface's, which has its own entry.
    if (h.address.empty() || h.address == "0.0.0.0" || h.address.rfind("127.", 0) == 0) continue;
    if (listed(h.address)) continue;
    out.entries.push_back({h.address, h.name, {false, h.address}});
  }
  out.entries.push_back({kLoopbackAddress, kLoopbackEntryName, {false, kLoopbackAddress}});
  if (current.automatic) return out;
  if (!listed(current.address)) {
    out.entries.push_back({current.address, kMissingEntryName, current});
  }
  for (size_t i = 1; i < out.entries.size(); ++i) {
    if (out.entries[i].choice.address == current.address) out.selected = static_cast<int>(i);
  }
  return out;
}
