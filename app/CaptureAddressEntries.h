// What the capture-address dialog lists and which entry it selects, as plain
// values: the dialog's window code (CaptureAddressDialogWin32) only fills its
// list from these entries and hands back the one chosen.
#pragma once

#include <string>
#include <vector>

#include "config/CaptureAddressSetting.h"

// One IPv4 address the host has now, with its interface's name (empty where
// the platform gives none).
struct HostAddress {
  std::string address;
  std::string name;
};

struct CaptureAddressEntry {
  std::string address_column;  // the list's first column
  std::string name_column;     // the second
  CaptureAddressChoice choice;
};

struct CaptureAddressEntries {
  std::vector<CaptureAddressEntry> entries;
  int selected = 0;
};

inline constexpr const char* kAutomaticEntryText = "自動（最後のアドレス）";
inline constexpr const char* kLoopbackEntryName = "ループバック";
inline constexpr const char* kMissingEntryName = "（ありません）";

// The automatic entry first (beside it the address it would take now, when
// there is one), then every host address once in the order given (loopback
// and 0.0.0.0 left out), then 127.0.0.1 as the loopback entry. A chosen
// address the host no longer has is listed last, marked missing, so that the
// dialog shows what config.ini holds. The current choice is selected.
CaptureAddressEntries MakeCaptureAddressEntries(const std::vector<HostAddress>& host,
                                                const std::string& automatic_now,
                                                const CaptureAddressChoice& current);
