// What the filter-settings dialog's controls hold, as plain texts and ticks,
// and the decisions behind them: the cells a rule row shows, the row that Add
// appends, the settings that Save builds, the row selected after a deletion.
// The dialog's window code only copies between these values and its controls.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/FilterSettings.h"

// The direction list's two entries, in their order, and the rule list's
// direction cell.
inline constexpr const char* kDirectionBothWays = "<===>";
inline constexpr const char* kDirectionOneWay = "====>";

// The rule list's five cells: IP(1), Port(1), direction, IP(2), Port(2).
using RuleRow = std::array<std::string, 5>;

struct FilterDialogFields {
  std::string ring_max, cap_fps;  // the two number fields' texts
  bool ring_roop = false, tcp = false, udp = false, icmp = false, other = false;
  std::vector<RuleRow> rows;
};

// The controls' contents when the dialog opens on `settings`. A rule whose
// vec is neither 0 nor 1 (a hand-edited file) gets an empty direction cell.
FilterDialogFields FieldsFromSettings(const FilterSettings& settings);

// What Save writes: empty number fields give 0, a rule is one way exactly when
// its direction cell reads "====>".
FilterSettings SettingsFromFields(const FilterDialogFields& fields);

// The row Add appends from the new-rule fields: an empty port is any port ("*").
RuleRow NewRuleRow(const std::string& address1, const std::string& port1,
                   const std::string& direction, const std::string& address2,
                   const std::string& port2);

// After row `deleted` was removed and `remaining` rows are left: the row to
// select and focus (the one that followed), or -1 when the last row went.
int RowToSelectAfterDelete(int deleted, int remaining);
