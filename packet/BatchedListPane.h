// The packet list as the capture thread sees it: every change of one list
// update is queued and handed to the user-interface thread in one piece, which
// applies the whole batch to the real control at once (with its redraw off).
// A control on another thread costs one synchronous message per call, so
// fourteen calls a row would bound the list far below the capture rate. While
// packets pour in, the updates of a few dozen milliseconds go over together.
//
// Threads: the capture thread owns the pane; `Deliver` runs on it and must
// return only after the batch has been applied.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>
#include <vector>

#include "packet/Panes.h"

// The recorded changes of one list update, in call order.
class ListUpdateBatch {
 public:
  void AddInsertRow(int row, const char* text);
  void AddSetCell(int row, int column, const char* text);
  void AddRenumberRows();
  void AddDeleteRow(int row);
  void AddDeleteAllRows();

  bool Empty() const { return operations_.empty(); }
  void Clear();

  // Makes the same calls on `list`, in the same order.
  void ApplyTo(ListPane& list) const;

 private:
  enum class Kind : uint8_t { InsertRow, SetCell, RenumberRows, DeleteRow, DeleteAllRows };
  struct Operation {
    Kind kind;
    int row;
    int column;
    size_t text;  // offset into texts_ of a NUL-terminated text
  };
  void Add(Kind kind, int row, int column, const char* text);

  std::vector<Operation> operations_;
  std::string texts_;
};

class BatchedListPane : public ListPane {
 public:
  // Applies a batch to the real list and returns the list's row count after it.
  using Deliver = std::function<int(const ListUpdateBatch&)>;

  // While more updates follow, changes are handed over at most every
  // `hold_ms` (the list a user watches needs no more, and each hand-over
  // waits for the other thread); the last update of a run goes at once.
  explicit BatchedListPane(Deliver deliver, int hold_ms = 50)
      : deliver_(std::move(deliver)), hold_(std::chrono::milliseconds(hold_ms)) {}

  // The rows the control will have once the queued changes are applied.
  int RowCount() override { return rows_; }
  int InsertRow(int row, const char* text) override;
  void SetCell(int row, int column, const char* text) override;
  void RenumberRows() override;
  void DeleteRow(int row) override;
  // Takes effect at once: the queued changes are moot and are dropped.
  void DeleteAllRows() override;
  void EndUpdate(bool more_follow) override;

  // True while changes wait for the end of the update.
  bool HasQueuedChanges() const { return !batch_.Empty(); }

 private:
  void Flush();

  Deliver deliver_;
  std::chrono::steady_clock::duration hold_;
  std::chrono::steady_clock::time_point last_handover_{};
  ListUpdateBatch batch_;
  int rows_ = 0;
};
