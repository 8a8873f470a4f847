// Collecting panes for the command-line tool.
#include "cli/CliPanes.h"

#include <functional>

TreePane::Item TextTreePane::InsertItem(Item parent, const char* text) {
  if (parent > items_.size()) return 0;
  items_.push_back(Entry{parent, text});
  return items_.size();
}

std::vector<std::string> TextTreePane::Lines() const {
  std::vector<std::vector<Item>> children(items_.size() + 1);
  for (size_t i = 0; i < items_.size(); ++i) children[items_[i].parent].push_back(i + 1);

  std::vector<std::string> lines;
  const std::function<void(Item, size_t)> print = [&](Item item, size_t depth) {
    for (Item child : children[item]) {
      lines.push_back(std::string(2 * depth, ' ') + items_[child - 1].text);
      print(child, depth + 1);
    }
  };
  print(0, 0);
  return lines;
}

int RecordingMessageBoxes::ShowMessageBox(const char* text, const char*, unsigned type) {
  if ((type & 0xF0u) == kMbIconWarning) warnings_.push_back(text);
  return kIdOk;
}
