// Recording fakes of the pane interfaces (views/Panes.h), for tests of
// everything that drives the window. Each keeps the
// state the real control would show, plus counters of the calls that tests
// care about. Calls the real control would reject (a cell of a missing row, a
// child of an unknown item) change nothing and are counted in invalid_calls.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "views/PacketList.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// The packet list as the window draws it: the hand-overs applied to the
// window's half of the list, the cells built from the records of `store`
// (which must be set before cells are read), the counts shown in part 1 of
// `status` when one is set.
class FakeListPane : public PacketListSink {
 public:
  explicit FakeListPane(int hold_ms = 0) : hold_ms_(hold_ms) {}
  // Counts an invalid call when more rows leave the top than the list has.
  void HandOver(const PacketListChanges& changes) override;
  int HoldMs() const override { return hold_ms_; }

  int RowCount() const { return rows.RowCount(); }
  // Text of a cell; empty for a row or record that is gone.
  std::string Cell(int row, int column) const;
  // The row's cells joined with tabs, trailing empty cells dropped.
  std::string RowText(int row) const;
  // Row i shows record i of the store, for every row.
  bool MirrorsStore() const;

  PacketListRows rows;
  std::vector<PacketListChanges> handovers;
  const PacketStore* store = nullptr;
  StatusText* status = nullptr;
  int invalid_calls = 0;

 private:
  int hold_ms_;
};

class FakeTreePane : public TreePane {
 public:
  struct Node {
    Item parent = 0;
    std::string text;
    std::vector<Item> children;
    bool expanded = false;
  };

  void DeleteAllItems() override;
  Item InsertItem(Item parent, const char* text) override;
  // Like making the first child visible: an item without children stays as it
  // is; otherwise it and every item above it open.
  void ExpandItem(Item item) override;

  // Handles are never reused, also across DeleteAllItems, so a stale handle
  // never names a new item.
  bool Exists(Item item) const;
  const Node& NodeOf(Item item) const;  // the item must exist
  std::vector<Item> Roots() const;
  std::vector<Item> Children(Item item) const;  // 0: the roots
  std::string Text(Item item) const;
  bool Expanded(Item item) const;
  // Every item above is expanded (roots are always visible).
  bool Visible(Item item) const;
  // First child of `parent` (0: root) with this text, or 0.
  Item FindChild(Item parent, const std::string& text) const;
  // Follows a path of texts from the root, or 0 when one is missing.
  Item Find(const std::vector<std::string>& path) const;
  // The whole tree, one line per item: two blanks of indent per level, "+ "
  // for an expanded item with children, "- " for a closed one, "  " for a leaf.
  std::string Dump() const;
  size_t ItemCount() const { return nodes_.size(); }

  int delete_all_calls = 0;
  int expand_calls = 0;
  int invalid_calls = 0;

 private:
  void DumpItem(Item item, int depth, std::string& out) const;

  std::map<Item, Node> nodes_;
  std::vector<Item> roots_;
  Item next_handle_ = 1;
};

class FakeHexPane : public HexPane {
 public:
  void SetText(const char* text) override;
  void ShowDumpText(const char* text) override;

  std::string text;
  int set_text_calls = 0;
  int show_dump_calls = 0;
};

class FakeStatusText : public StatusText {
 public:
  void SetStatusText(int part, const char* text) override;

  std::string Part(int part) const;  // empty when never set

  std::map<int, std::string> parts;
  std::vector<std::pair<int, std::string>> history;
};

class FakeProgressBar : public ProgressBar {
 public:
  enum class Op { SetPosition, SetRange };
  struct Call {
    Op op;
    int value;
    bool operator==(const Call&) const = default;
  };

  void SetPosition(int position) override;
  void SetRange(int maximum) override;

  // The highest position the bar was set to.
  int Reached() const;
  int PositionChanges() const;

  std::vector<Call> calls;
  int position = 0;
  int maximum = 100;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  struct Box {
    std::string text;
    std::string title;
    unsigned type;
  };

  // Records the box and answers the next scripted answer, or kIdOk when the
  // script is used up.
  int ShowMessageBox(const char* text, const char* title, unsigned type) override;

  std::vector<Box> shown;
  std::deque<int> answers;
  std::function<void()> while_shown;  // runs for every box, before it is answered
};
