// Reading and steering the common controls of a window in any process, this
// one included. Their messages carry pointers, which the system does not carry
// across processes: each call puts its structure and text buffer into memory
// of the control's own process and reads the answer back from there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A block of memory in the process that owns `window`.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t bytes);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  // The address of `offset` bytes into the block, as the other process sees it.
  LPARAM At(size_t offset = 0) const;
  void Write(const void* bytes, size_t count, size_t offset = 0);
  void Read(void* bytes, size_t count, size_t offset = 0) const;

 private:
  HANDLE process_ = nullptr;
  char* address_ = nullptr;
  size_t bytes_ = 0;
};

int ListRowCount(HWND list);
std::string ListCell(HWND list, int row, int column);
// The row's cells, columns 0 to `columns` - 1.
std::vector<std::string> ListRow(HWND list, int row, int columns = 14);
// Selects and focuses `row`, as a click on it would.
void ListSelectRow(HWND list, int row);

// The tree view's items in display order, each as its depth in blanks, "+"
// (open) or "-" (closed) when it has children, and its text.
std::vector<std::string> TreeOutline(HWND tree);

// The entries of a list box (of any process), in order.
std::vector<std::string> ListBoxTexts(HWND list_box);

// The text of one status-bar part.
std::string StatusPartText(HWND status_bar, int part);

// WM_GETTEXT with a buffer of `capacity` bytes (a rich edit across processes
// answers WM_GETTEXTLENGTH with 0, so the length cannot be asked first).
std::string LongWindowText(HWND window, size_t capacity = 1 << 20);
