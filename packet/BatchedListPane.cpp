// Queueing the packet list's changes for one hand-over per list update.
#include "packet/BatchedListPane.h"

void ListUpdateBatch::Add(Kind kind, int row, int column, const char* text) {
  size_t offset = 0;
  if (text != nullptr) {
    offset = texts_.size();
    texts_.append(text);
    texts_.push_back('\0');
  }
  operations_.push_back(Operation{kind, row, column, offset});
}

void ListUpdateBatch::AddInsertRow(int row, const char* text) {
  Add(Kind::InsertRow, row, 0, text);
}

void ListUpdateBatch::AddSetCell(int row, int column, const char* text) {
  Add(Kind::SetCell, row, column, text);
}

void ListUpdateBatch::AddRenumberRows() {
  Add(Kind::RenumberRows, 0, 0, nullptr);
}

void ListUpdateBatch::AddDeleteRow(int row) {
  Add(Kind::DeleteRow, row, 0, nullptr);
}

void ListUpdateBatch::AddDeleteAllRows() {
  Add(Kind::DeleteAllRows, 0, 0, nullptr);
}

void ListUpdateBatch::Clear() {
  operations_.clear();
  texts_.clear();
}

void ListUpdateBatch::ApplyTo(ListPane& list) const {
  for (const Operation& op : operations_) {
    const char* text = texts_.data() + op.text;
    switch (op.kind) {
      case Kind::InsertRow:
        list.InsertRow(op.row, text);
        break;
      case Kind::SetCell:
        list.SetCell(op.row, op.column, text);
        break;
      case Kind::RenumberRows:
        list.RenumberRows();
        break;
      case Kind::DeleteRow:
        list.DeleteRow(op.row);
        break;
      case Kind::DeleteAllRows:
        list.DeleteAllRows();
        break;
    }
  }
}

int BatchedListPane::InsertRow(int row, const char* text) {
  // Like the control: a position past the end appends.
  if (row < 0) return -1;
  if (row > rows_) row = rows_;
  batch_.AddInsertRow(row, text);
  ++rows_;
  return row;
}

void BatchedListPane::SetCell(int row, int column, const char* text) {
  batch_.AddSetCell(row, column, text);
}

void BatchedListPane::RenumberRows() {
  batch_.AddRenumberRows();
}

void BatchedListPane::DeleteRow(int row) {
  if (row < 0 || row >= rows_) return;
  batch_.AddDeleteRow(row);
  --rows_;
}

void BatchedListPane::DeleteAllRows() {
  batch_.Clear();
  batch_.AddDeleteAllRows();
  rows_ = 0;
  Flush();
}

void BatchedListPane::EndUpdate(bool more_follow) {
  if (more_follow && std::chrono::steady_clock::now() - last_handover_ < hold_) return;
  Flush();
}

void BatchedListPane::Flush() {
  if (batch_.Empty()) return;
  // The control has the last word: an insert it refused leaves a row fewer.
  rows_ = deliver_(batch_);
  batch_.Clear();
  last_handover_ = std::chrono::steady_clock::now();
}
