// The pane operations on real controls: one-line helpers over the list view,
// tree view and rich edit messages, and the tree and hex pane interfaces built
// on them for code that runs on the controls' own thread. Any thread may call
// the helpers (each is a synchronous message); the classes are used on the GUI
// thread.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "views/Panes.h"

// Inserts a left-aligned column of `width` pixels with the header `text`.
void ListInsertColumn(HWND list, int width, const char* text, int position);
// Inserts row `row` with `text` in column 0, image `image` and item data `row`.
// Returns the new row's index or -1.
int ListInsertRow(HWND list, int row, const char* text, int image);
void ListSetCell(HWND list, int row, int column, const char* text);
// Sets every row's item data to its position.
void ListRenumberRows(HWND list);
// Character format of the current selection: "ＭＳ ゴシック" (or the fixed-pitch
// face that shows Japanese here, views/FontsWin32.h), 10 points, `colour`.
int RichEditSetTextFormat(HWND pane, COLORREF colour);
// Appends `text` as the last child of `parent` (the root for null), image 1,
// selected image 0; the new item's handle goes to `item` when that is given.
void TreeInsertItem(HWND tree, HTREEITEM parent, HTREEITEM* item, const char* text);

class Win32TreePane : public TreePane {
 public:
  explicit Win32TreePane(HWND tree) : tree_(tree) {}
  void DeleteAllItems() override;
  Item InsertItem(Item parent, const char* text) override;
  void ExpandItem(Item item) override;

 private:
  HWND tree_;
};

class Win32HexPane : public HexPane {
 public:
  explicit Win32HexPane(HWND pane) : pane_(pane) {}
  void SetText(const char* text) override;
  void ShowDumpText(const char* text) override;

 private:
  HWND pane_;
};
