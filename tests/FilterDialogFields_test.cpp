#include "config/FilterDialogFields.h"

#include <gtest/gtest.h>

namespace {

TEST(FilterDialogFields, DirectionCellFollowsVecAndSavesBack) {
  struct Case {
    int32_t vec;
    const char* cell;
    int32_t saved;
  };
  // A hand-edited vec shows an empty cell and is saved as both ways.
  const Case cases[] = {{0, "<===>", 0}, {1, "====>", 1}, {2, "", 0}, {-1, "", 0}};
  for (const Case& c : cases) {
    FilterSettings s;
    s.rules.push_back({"192.168.0.1", "*", "10.0.0.2", "80", c.vec});
    const FilterDialogFields fields = FieldsFromSettings(s);
    ASSERT_EQ(fields.rows.size(), 1u);
    EXPECT_EQ(fields.rows[0], (RuleRow{"192.168.0.1", "*", c.cell, "10.0.0.2", "80"}));
    const FilterSettings saved = SettingsFromFields(fields);
    EXPECT_EQ(saved.rules[0].vec, c.saved) << c.vec;
    EXPECT_EQ(saved.rules[0].dest_port, "80");
  }
}

TEST(FilterDialogFields, NumberFieldsReadAsUnsignedDecimals) {
  struct Case {
    const char* text;
    uint32_t value;
  };
  const Case cases[] = {{"", 0},
                        {"250", 250},
                        {"0042", 42},
                        {"12ab", 12},
                        {"-5", 0},
                        {"4294967295", 4294967295u},
                        {"4294967296", 4294967295u},
                        {"99999999999999999999", 4294967295u}};
  for (const Case& c : cases) {
    FilterDialogFields fields;
    fields.ring_max = fields.cap_fps = c.text;
    const FilterSettings s = SettingsFromFields(fields);
    EXPECT_EQ(s.ring_max, c.value) << c.text;
    EXPECT_EQ(s.cap_fps, c.value) << c.text;
  }
}

// After a deletion the row that followed takes the deleted row's place.
TEST(FilterDialogFields, DeleteSelectsTheFollower) {
  const int cases[][3] = {{1, 2, 1}, {0, 2, 0}, {2, 2, -1}, {0, 0, -1}};  // deleted, left, selected
  for (const auto& c : cases) EXPECT_EQ(RowToSelectAfterDelete(c[0], c[1]), c[2]) << c[0];
}

}  // namespace
