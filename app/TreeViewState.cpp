// Reading and writing system.ini. Only the value 1 opens a branch; any
// other value read from the file is kept as it is and written back unchanged
// unless the user opened or closed that branch meanwhile.
#include "app/TreeViewState.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "config/ProfileFile.h"
#include "config/WholeFile.h"
#include "log/SettingsPaths.h"

namespace {

constexpr const char* kSection = "TreeView_System";

struct FlagLine {
  const char* key;
  const char* comment;
  int32_t TreeExpansionFlags::*flag;
};

constexpr FlagLine kFlagLines[] = {
    {"IP", "#IP(0:閉じる 1:展開)\r\n", &TreeExpansionFlags::ip},
    {"ICMP", "#ICMP(0:閉じる 1:展開)\r\n", &TreeExpansionFlags::icmp},
    {"TCP", "#TCP(0:閉じる 1:展開)\r\n", &TreeExpansionFlags::tcp},
    {"UDP", "#UDP(0:閉じる 1:展開)\r\n", &TreeExpansionFlags::udp},
    {"DATA", "#DATA(0:閉じる 1:展開)\r\n", &TreeExpansionFlags::data},
};

}  // namespace

namespace TreeViewState {

int Read(TreeExpansionFlags& flags) {
  for (const FlagLine& line : kFlagLines) {
    flags.*line.flag = ProfileReadInt(SettingsPaths::System(), kSection, line.key, 0);
  }
  return 1;
}

// Written to a new file that replaces the old one only when complete, so a
// write that fails leaves the old file whole.
int Write(const TreeExpansionFlags& flags) try {
  std::string text =
      "#ツリービュー設定--------------------------------\r\n"
      "[TreeView_System]\r\n";
  for (const FlagLine& line : kFlagLines) {
    char value[64];
    std::snprintf(value, sizeof value, "%s=%d\r\n", line.key, static_cast<int>(flags.*line.flag));
    text += line.comment;
    text += value;
  }
  return ReplaceWholeFile(SettingsPaths::System(), {text});
} catch (const std::bad_alloc&) {
  return 0;
}

}  // namespace TreeViewState
