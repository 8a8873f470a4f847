// Recording fakes of the pane interfaces; see FakePanes.h.
#include "support/FakePanes.h"

#include <algorithm>

void FakeListPane::HandOver(const PacketListChanges& changes) {
  if (!changes.reset && changes.deleted_top > static_cast<uint32_t>(RowCount())) ++invalid_calls;
  handovers.push_back(changes);
  rows.Apply(changes);
  if (status != nullptr && !changes.counts.empty())
    status->SetStatusText(1, changes.counts.c_str());
}

std::string FakeListPane::Cell(int row, int column) const {
  ListRowTexts texts;
  if (row < 0 || row >= RowCount() || column < 0 || column >= kListColumnCount ||
      !PacketRowCells(*store, rows.Row(row), texts)) {
    return {};
  }
  return texts.cells[column];
}

std::string FakeListPane::RowText(int row) const {
  std::vector<std::string> cells;
  for (int column = 0; column < kListColumnCount; ++column) cells.push_back(Cell(row, column));
  while (!cells.empty() && cells.back().empty()) cells.pop_back();
  std::string out;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i != 0) out += '\t';
    out += cells[i];
  }
  return out;
}

bool FakeListPane::MirrorsStore() const {
  if (static_cast<uint32_t>(RowCount()) != store->Count()) return false;
  for (int i = 0; i < RowCount(); ++i) {
    if (rows.Row(i).sequence != store->FirstSequence() + static_cast<uint64_t>(i)) return false;
  }
  return true;
}

void FakeTreePane::DeleteAllItems() {
  ++delete_all_calls;
  nodes_.clear();
  roots_.clear();
}

TreePane::Item FakeTreePane::InsertItem(Item parent, const char* text) {
  if (parent != 0 && !Exists(parent)) {
    ++invalid_calls;
    return 0;
  }
  const Item item = next_handle_++;
  Node node;
  node.parent = parent;
  node.text = text;
  nodes_.emplace(item, node);
  if (parent == 0) {
    roots_.push_back(item);
  } else {
    nodes_[parent].children.push_back(item);
  }
  return item;
}

void FakeTreePane::ExpandItem(Item item) {
  ++expand_calls;
  if (!Exists(item)) {
    ++invalid_calls;
    return;
  }
  if (nodes_[item].children.empty()) return;
  for (Item at = item; at != 0; at = nodes_[at].parent) nodes_[at].expanded = true;
}

bool FakeTreePane::Exists(Item item) const {
  return nodes_.count(item) != 0;
}

const FakeTreePane::Node& FakeTreePane::NodeOf(Item item) const {
  return nodes_.at(item);
}

std::vector<TreePane::Item> FakeTreePane::Roots() const {
  return roots_;
}

std::vector<TreePane::Item> FakeTreePane::Children(Item item) const {
  if (item == 0) return roots_;
  return Exists(item) ? nodes_.at(item).children : std::vector<Item>();
}

std::string FakeTreePane::Text(Item item) const {
  return Exists(item) ? nodes_.at(item).text : std::string();
}

bool FakeTreePane::Expanded(Item item) const {
  return Exists(item) && nodes_.at(item).expanded;
}

bool FakeTreePane::Visible(Item item) const {
  if (!Exists(item)) return false;
  for (Item at = nodes_.at(item).parent; at != 0; at = nodes_.at(at).parent) {
    if (!nodes_.at(at).expanded) return false;
  }
  return true;
}

TreePane::Item FakeTreePane::FindChild(Item parent, const std::string& text) const {
  for (Item child : Children(parent)) {
    if (nodes_.at(child).text == text) return child;
  }
  return 0;
}

TreePane::Item FakeTreePane::Find(const std::vector<std::string>& path) const {
  Item at = 0;
  for (const auto& text : path) {
    at = FindChild(at, text);
    if (at == 0) return 0;
  }
  return at;
}

std::string FakeTreePane::Dump() const {
  std::string out;
  for (Item root : roots_) DumpItem(root, 0, out);
  return out;
}

void FakeTreePane::DumpItem(Item item, int depth, std::string& out) const {
  const Node& node = nodes_.at(item);
  out.append(static_cast<size_t>(depth) * 2, ' ');
  out += node.children.empty() ? "  " : (node.expanded ? "+ " : "- ");
  out += node.text;
  out += '\n';
  for (Item child : node.children) DumpItem(child, depth + 1, out);
}

void FakeHexPane::SetText(const char* new_text) {
  ++set_text_calls;
  text = new_text;
}

void FakeHexPane::ShowDumpText(const char* new_text) {
  ++show_dump_calls;
  text = new_text;
}

void FakeStatusText::SetStatusText(int part, const char* text) {
  parts[part] = text;
  history.emplace_back(part, text);
}

std::string FakeStatusText::Part(int part) const {
  const auto found = parts.find(part);
  return found == parts.end() ? std::string() : found->second;
}

void FakeProgressBar::SetPosition(int new_position) {
  calls.push_back({Op::SetPosition, new_position});
  position = new_position;
}

void FakeProgressBar::SetRange(int new_maximum) {
  calls.push_back({Op::SetRange, new_maximum});
  maximum = new_maximum;
}

int FakeProgressBar::Reached() const {
  int reached = 0;
  for (const Call& c : calls) {
    if (c.op == Op::SetPosition) reached = std::max(reached, c.value);
  }
  return reached;
}

int FakeProgressBar::PositionChanges() const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [](const Call& c) { return c.op == Op::SetPosition; }));
}

int FakeMessageBoxes::ShowMessageBox(const char* text, const char* title, unsigned type) {
  shown.push_back({text, title, type});
  if (while_shown) while_shown();
  if (answers.empty()) return kIdOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}
