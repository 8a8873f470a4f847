// The small interfaces through which the portable code drives what the user
// sees (the packet list has its own module, views/PacketList.h). The Win32
// edge implements each with window messages to one control (one-line helpers,
// no logic); tests implement them with recorders. Every operation is
// synchronous: it has taken effect when it returns.
#pragma once

#include <cstdint>

// The detail tree.
class TreePane {
 public:
  using Item = uintptr_t;  // an item handle; 0 is the root / no item
  virtual ~TreePane() = default;
  virtual void DeleteAllItems() = 0;
  // Appends `text` as the last child of `parent` (at the root for 0) and
  // returns the new item's handle.
  virtual Item InsertItem(Item parent, const char* text) = 0;
  // Opens `item` by making its first child visible (which opens its parents).
  virtual void ExpandItem(Item item) = 0;
};

// The hex dump pane (a read-only rich edit control).
class HexPane {
 public:
  virtual ~HexPane() = default;
  // Replaces the whole text; an empty text clears the pane.
  virtual void SetText(const char* text) = 0;
  // Empties the pane, then inserts `text` in white 10-point "ＭＳ ゴシック"
  // without an undo record.
  virtual void ShowDumpText(const char* text) = 0;
};

// The main window's status bar: part 0 capture state, part 1 packet counts.
class StatusText {
 public:
  virtual ~StatusText() = default;
  virtual void SetStatusText(int part, const char* text) = 0;
};

// The progress bar in status-bar part 2.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetPosition(int position) = 0;
  virtual void SetRange(int maximum) = 0;  // range 0 ... maximum, 32-bit
};

// Modal message boxes owned by the capture page. `type` and the result use the
// platform's MB_ and ID values below.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int ShowMessageBox(const char* text, const char* title, unsigned type) = 0;
};

inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
