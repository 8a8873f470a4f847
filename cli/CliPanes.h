// The command-line tool's stand-ins for the window's panes: the core's tree
// and hex-dump code drives these exactly as it drives the window, and the tool
// prints what they collected. Texts stay code page 932 bytes.
#pragma once

#include <string>
#include <vector>

#include "views/Panes.h"
#include "views/QuietPanes.h"  // status, progress and requests show nothing
#include "views/QuietPanes.h"  // status and progress show nothing

// Keeps the tree's items and prints them with every branch open.
class TextTreePane : public TreePane {
 public:
  void DeleteAllItems() override { items_.clear(); }
  Item InsertItem(Item parent, const char* text) override;
  // Every branch is printed open, so opening one changes nothing.
  void ExpandItem(Item) override {}

  // One line per item, depth first in insertion order, each indented by two
  // blanks per level below the root; no line ends.
  std::vector<std::string> Lines() const;

 private:
  struct Entry {
    Item parent;
    std::string text;
  };
  std::vector<Entry> items_;  // handle = index + 1
};

// Keeps the hex pane's text.
class TextHexPane : public HexPane {
 public:
  void SetText(const char* text) override { text_ = text; }
  void ShowDumpText(const char* text) override { text_ = text; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Answers every message box with OK and remembers the warnings, which the
// tool reports as errors.
class RecordingMessageBoxes : public MessageBoxes {
 public:
  int ShowMessageBox(const char* text, const char* title, unsigned type) override;
  // The text of each warning shown, in order.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::vector<std::string> warnings_;
};
