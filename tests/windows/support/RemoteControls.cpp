// Control messages through memory of the control's own process.
#include "support/RemoteControls.h"

#include <commctrl.h>

namespace {

constexpr size_t kTextBytes = 1024;

// An item structure followed by its text buffer, in the control's process.
template <typename Item>
struct RemoteItem {
  explicit RemoteItem(HWND control) : buffer(control, sizeof(Item) + kTextBytes) {}
  LPARAM TextAddress() const { return buffer.At(sizeof(Item)); }
  std::string Text() const {
    char text[kTextBytes] = {};
    buffer.Read(text, sizeof(text) - 1, sizeof(Item));
    return text;
  }
  RemoteBuffer buffer;
};

void Outline(HWND tree, HTREEITEM item, int depth, std::vector<std::string>& lines) {
  RemoteItem<TVITEMA> remote(tree);
  for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    TVITEMA read{};
    read.mask = TVIF_TEXT | TVIF_STATE;
    read.hItem = item;
    read.pszText = reinterpret_cast<char*>(remote.TextAddress());
    read.cchTextMax = kTextBytes;
    read.stateMask = TVIS_EXPANDED;
    remote.buffer.Write(&read, sizeof(read));
    SendMessageA(tree, TVM_GETITEMA, 0, remote.buffer.At());
    remote.buffer.Read(&read, sizeof(read));
    const HTREEITEM child = TreeView_GetChild(tree, item);
    const char* mark = child == nullptr ? "" : (read.state & TVIS_EXPANDED) ? "+" : "-";
    lines.push_back(std::string(depth, ' ') + mark + remote.Text());
    Outline(tree, child, depth + 1, lines);
  }
}

}  // namespace

RemoteBuffer::RemoteBuffer(HWND window, size_t bytes) : bytes_(bytes) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  process_ =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  if (process_ == nullptr) return;
  address_ = static_cast<char*>(
      VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

RemoteBuffer::~RemoteBuffer() {
  if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  if (process_ != nullptr) CloseHandle(process_);
}

LPARAM RemoteBuffer::At(size_t offset) const {
  return reinterpret_cast<LPARAM>(address_ + offset);
}

void RemoteBuffer::Write(const void* bytes, size_t count, size_t offset) {
  if (address_ == nullptr || offset + count > bytes_) return;
  WriteProcessMemory(process_, address_ + offset, bytes, count, nullptr);
}

void RemoteBuffer::Read(void* bytes, size_t count, size_t offset) const {
  if (address_ == nullptr || offset + count > bytes_) return;
  ReadProcessMemory(process_, address_ + offset, bytes, count, nullptr);
}

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListCell(HWND list, int row, int column) {
  RemoteItem<LVITEMA> remote(list);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<char*>(remote.TextAddress());
  item.cchTextMax = kTextBytes;
  remote.buffer.Write(&item, sizeof(item));
  SendMessageA(list, LVM_GETITEMTEXTA, row, remote.buffer.At());
  return remote.Text();
}

std::vector<std::string> ListRow(HWND list, int row, int columns) {
  std::vector<std::string> cells;
  for (int column = 0; column < columns; ++column) cells.push_back(ListCell(list, row, column));
  return cells;
}

void ListSelectRow(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(&item, sizeof(item));
  SendMessageA(list, LVM_SETITEMSTATE, row, remote.At());
  SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
}

std::vector<std::string> TreeOutline(HWND tree) {
  std::vector<std::string> lines;
  Outline(tree, TreeView_GetRoot(tree), 0, lines);
  return lines;
}

std::string StatusPartText(HWND status_bar, int part) {
  // The length the bar answers counts characters, not the bytes of the text.
  const auto length = LOWORD(SendMessageA(status_bar, SB_GETTEXTLENGTHA, part, 0));
  if (2 * static_cast<size_t>(length) >= kTextBytes) return "<too long>";
  RemoteBuffer remote(status_bar, kTextBytes);
  SendMessageA(status_bar, SB_GETTEXTA, part, remote.At());
  char text[kTextBytes] = {};
  remote.Read(text, kTextBytes - 1);
  return text;
}

std::string LongWindowText(HWND window, size_t capacity) {
  std::string text(capacity, '\0');
  const auto length =
      SendMessageA(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::vector<std::string> ListBoxTexts(HWND list_box) {
  // Unlike the common controls' messages, the list box's text is carried
  // across processes by the system, in its Unicode form (Wine's ANSI form
  // across processes hands back the Unicode bytes).
  std::vector<std::string> texts;
  const auto count = SendMessageW(list_box, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(list_box, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0 || static_cast<size_t>(length) >= kTextBytes / 2) return texts;
    wchar_t wide[kTextBytes / 2] = {};
    SendMessageW(list_box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char text[kTextBytes] = {};
    WideCharToMultiByte(932, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    texts.push_back(text);
  }
  return texts;
}
