// The small interfaces through which the portable code drives what the user
// sees. The Win32 edge implements each with window messages to one control
// (one-line helpers, no logic); tests implement them with recorders. Every
// operation is synchronous: it has taken effect when it returns.
#pragma once

#include <cstdint>

#include "log/SystemTime.h"

// One row of the packet list as the capture thread appends it. The list keeps
// no text: it draws a row's cells from the store's record when they are looked
// at, with only what cannot be found in the store kept beside it.
struct PacketRow {
  uint64_t sequence;         // the record's sequence number in the store
  int32_t number;            // the row number shown in column 0
  SystemTime previous_time;  // what DiffTime is measured from; all zero: "0 sec"
};

// The packet list (an owner-data report list view). Its rows mirror the
// store's records in order: row i shows record i.
class ListPane {
 public:
  virtual ~ListPane() = default;
  virtual int RowCount() = 0;
  // Appends a row at the bottom. Rows are appended in store order: a row's
  // record directly follows the record of the row above it.
  virtual void AppendRow(const PacketRow& row) = 0;
  // Removes the `count` top rows, whose records have left the store; the rows
  // below move up, and a selected row's selection moves with it.
  virtual void DeleteTopRows(int count) = 0;
  virtual void DeleteAllRows() = 0;
  // Ends one list update. A list that queues its changes hands them over to
  // the control now, or, when `more_follow` says another update comes soon,
  // may keep them for it.
  virtual void EndUpdate(bool /*more_follow*/) {}
};

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
