// Reading and writing "./system.ini". Only the value 1 opens a branch; any
// other value read from the file is kept as it is and written back unchanged
// unless the user opened or closed that branch meanwhile.
#include "app/TreeViewState.h"

#include <cstdio>

#include "config/ProfileFile.h"

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

bool Put(std::FILE* file, const char* text) {
  return std::fputs(text, file) >= 0;
}

}  // namespace

namespace TreeViewState {

int Read(TreeExpansionFlags& flags) {
  for (const FlagLine& line : kFlagLines) {
    flags.*line.flag = ProfileReadInt(kTreeViewStatePath, kSection, line.key, 0);
  }
  return 1;
}

int Write(const TreeExpansionFlags& flags) {
  std::FILE* file = std::fopen(kTreeViewStatePath, "wb");
  if (file == nullptr) return 0;
  bool written = Put(file,
                     "#ツリービュー設定--------------------------------\r\n"
                     "[TreeView_System]\r\n");
  for (const FlagLine& line : kFlagLines) {
    if (!written) break;
    written = Put(file, line.comment);
    // A full disk shows at the latest when the file is closed.
    if (written) std::fprintf(file, "%s=%d\r\n", line.key, static_cast<int>(flags.*line.flag));
  }
  const bool closed = std::fclose(file) == 0;
  return written && closed ? 1 : 0;
}

}  // namespace TreeViewState
