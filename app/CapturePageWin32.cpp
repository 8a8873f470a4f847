// The capture page's window procedure: initialisation in its fixed order, the
// layout in thirds, the user's resizing of the list and the tree, the
// selection check, the expansion-flag bookkeeping, the commands, and the
// teardown.
#include "app/CapturePageWin32.h"

#include <commctrl.h>
#include <richedit.h>

#include <climits>
#include <cstdint>
#include <memory>

#include "app/AppTitleWin32.h"
#include "app/CapturePageCommands.h"
#include "app/CaptureViewWin32.h"
#include "app/MainWindowWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/PaneGeometry.h"
#include "app/TreeViewState.h"
#include "app/resource.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureThread.h"
#include "capture/RawSocketSourceWin32.h"
#include "packet/HexDump.h"
#include "packet/PacketList.h"
#include "packet/PacketListRows.h"

HWND CapturePage = nullptr;
HWND PacketListWindow = nullptr;
HWND DetailTreeWindow = nullptr;
HWND HexDumpWindow = nullptr;
CaptureControl capture_control;
PacketStore packet_store;
HANDLE CaptureThreadHandle = nullptr;
DWORD CaptureThreadId = 0;
PacketSource* CapturePacketSource = nullptr;
TreeExpansionFlags TreeFlags;
DetailTreeItems TreeItems;
int32_t last_shown_row = -1;

namespace {

constexpr UINT_PTR kSelectionTimer = 2;
constexpr UINT kSelectionPeriodMs = 300;
// While rows arrive, the list is repainted at most this often: a repaint after
// every batch of a few rows would cost more than the rows themselves.
constexpr UINT_PTR kListRedrawTimer = 3;
constexpr UINT kListRedrawDelayMs = 100;

struct ListColumn {
  const char* header;
  int width;
};

constexpr ListColumn kListColumns[] = {
    {"Packet", 50},  {"Protocol", 140}, {"SendIP", 120},  {"Port", 50}, {" ", 25},
    {"RecvIP", 120}, {"Port", 50},      {"Total", 45},    {"Size", 45}, {"Sequence", 80},
    {"Acknow", 80},  {"RecvTime", 160}, {"DiffTime", 85}, {"", 10},
};

// An owner-data list: the control keeps no row texts and asks the page for
// the cells it draws (LVN_GETDISPINFOA), so a row costs nothing until shown.
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_THICKFRAME | WS_TABSTOP | LVS_REPORT |
                             LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_THICKFRAME | TVS_HASBUTTONS |
                             TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_TRACKSELECT;
constexpr DWORD kHexStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                            ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_DISABLENOSCROLL;
constexpr DWORD kHexEventMask = ENM_CHANGE | ENM_SELCHANGE;
static_assert(kHexEventMask == 0x80001);

// The dump of the largest datagram, with room to spare: a rich edit control
// keeps only 32,767 characters unless told otherwise.
constexpr LPARAM kHexTextLimit = (4 + kHexPaneMaxBytes / 16 + 1) * (kHexDumpLineLength + 2) + 1024;

// The pane font of the list and the tree: created once, kept for the process.
HFONT pane_font = nullptr;
HMODULE rich_edit_library = nullptr;
WNDPROC previous_list_proc = nullptr;
WNDPROC previous_tree_proc = nullptr;
int32_t layout_in_progress = 0;
bool list_redraw_pending = false;
// Set once the page is being closed: nothing may set a timer of it any more.
bool page_closing = false;
// The packet list's rows, as the capture thread's hand-overs left them.
PacketListRows list_rows;

// What the capture thread works with; lives from the thread's start to its end.
struct CaptureParts {
  explicit CaptureParts(HWND page)
      : view(page, DetailTreeWindow, HexDumpWindow),
        source(CapturePacketSource != nullptr ? CapturePacketSource : &raw_sockets),
        context{capture_control, packet_store, *source, view, list_state} {}
  RawSocketSource raw_sockets;
  WindowCaptureView view;
  PacketListState list_state;
  PacketSource* source;
  CaptureContext context;
};
std::unique_ptr<CaptureParts> capture_parts;

HFONT PaneFont() {
  if (pane_font == nullptr) {
    pane_font = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                            FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
  }
  return pane_font;
}

PaneRect ToPaneRect(const RECT& rect) {
  return PaneRect{rect.left, rect.top, rect.right, rect.bottom};
}

PaneRect ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return ToPaneRect(rect);
}

void Move(HWND window, const PaneMove& move) {
  MoveWindow(window, move.x, move.y, move.width, move.height, TRUE);
}

// The tree was resized by the user: its neighbours follow.
void RefitNeighbours(HWND tree) {
  RECT client{};
  GetClientRect(GetParent(tree), &client);
  const TreeRefit refit = RefitAroundTree(ToPaneRect(client), ScreenRect(PacketListWindow),
                                          ScreenRect(tree), ScreenRect(HexDumpWindow));
  if (refit.moves_list) Move(PacketListWindow, refit.list);
  Move(tree, refit.tree);
  if (refit.moves_hex) Move(HexDumpWindow, refit.hex);
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) {
    return ListHitTest(static_cast<int>(DefWindowProcA(list, message, wparam, lparam)));
  }
  return CallWindowProcA(previous_list_proc, list, message, wparam, lparam);
}

LRESULT CALLBACK TreeProc(HWND tree, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) {
    return TreeHitTest(static_cast<int>(DefWindowProcA(tree, message, wparam, lparam)));
  }
  if (message == WM_SIZE && layout_in_progress == 0) RefitNeighbours(tree);
  return CallWindowProcA(previous_tree_proc, tree, message, wparam, lparam);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

HWND CreatePane(DWORD extended_style, const char* window_class, DWORD style, HWND page, int id) {
  return CreateWindowExA(extended_style, window_class, "", style, 0, 0, 0, 0, page,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance, nullptr);
}

void CreatePacketList(HWND page) {
  PacketListWindow = CreatePane(0, WC_LISTVIEWA, kListStyle, page, IDC_PACKET_LIST);
  SendMessageA(PacketListWindow, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExtendedStyle,
               kListExtendedStyle);
  int position = 0;
  for (const ListColumn& column : kListColumns) {
    ListInsertColumn(PacketListWindow, column.width, column.header, position++);
  }
  SendMessageA(PacketListWindow, WM_SETFONT, reinterpret_cast<WPARAM>(PaneFont()), TRUE);
  previous_list_proc = Subclass(PacketListWindow, ListProc);
}

void CreateDetailTree(HWND page) {
  DetailTreeWindow = CreatePane(0, WC_TREEVIEWA, kTreeStyle, page, IDC_DETAIL_TREE);
  SendMessageA(DetailTreeWindow, WM_SETFONT, reinterpret_cast<WPARAM>(PaneFont()), TRUE);
  previous_tree_proc = Subclass(DetailTreeWindow, TreeProc);
}

void CreateHexPane(HWND page) {
  rich_edit_library = LoadLibraryA("RICHED32.DLL");
  HexDumpWindow = CreatePane(WS_EX_CLIENTEDGE, "RICHEDIT", kHexStyle, page, IDC_HEX_PANE);
  SendMessageA(HexDumpWindow, EM_GETEVENTMASK, 0, 0);
  SendMessageA(HexDumpWindow, EM_SETEVENTMASK, 0, kHexEventMask);
  SendMessageA(HexDumpWindow, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0));
  SendMessageA(HexDumpWindow, EM_EXLIMITTEXT, 0, kHexTextLimit);
}

DWORD WINAPI CaptureThreadProc(void* parameter) {
  return static_cast<DWORD>(CaptureThreadMain(*static_cast<CaptureContext*>(parameter)));
}

void StartCaptureThread(HWND page) {
  CaptureThreadId = 0;
  CaptureThreadHandle = nullptr;
  capture_control.capture_thread_running.store(0);
  capture_parts = std::make_unique<CaptureParts>(page);
  capture_control.capture_thread_running.store(1);
  CaptureThreadHandle =
      CreateThread(nullptr, 0, CaptureThreadProc, &capture_parts->context, 0, &CaptureThreadId);
}

void InitCapturePage(HWND page) {
  page_closing = false;
  capture_control.commands.Clear();
  capture_control.capture_request.store(static_cast<int8_t>(CaptureRequest::Idle));
  last_shown_row = -1;
  TreeViewState::Read(TreeFlags);
  CreatePacketList(page);
  CreateDetailTree(page);
  CreateHexPane(page);
  if (packet_store.Init() == 0) return;
  ApplyCaptureSettings(capture_control, packet_store);
  StartCaptureThread(page);
  if (CaptureThreadHandle == nullptr) return;
  SetTimer(page, kSelectionTimer, kSelectionPeriodMs, nullptr);
}

void LayOutPanes(HWND page) {
  if (PacketListWindow == nullptr) return;
  layout_in_progress = 1;
  RECT client{};
  GetClientRect(page, &client);
  const PaneThirds thirds = LayoutInThirds(ToPaneRect(client));
  Move(PacketListWindow, thirds.list);
  Move(DetailTreeWindow, thirds.tree);
  Move(HexDumpWindow, thirds.hex);
  layout_in_progress = 0;
}

int ListItemWithState(UINT state) {
  return static_cast<int>(
      SendMessageA(PacketListWindow, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), state));
}

void SetListItemState(int row, UINT state, UINT mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  SendMessageA(PacketListWindow, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

void ShowSelectedPacket() {
  const int row = ListItemWithState(LVNI_SELECTED);
  if (row == -1 || row == last_shown_row || row >= list_rows.RowCount()) return;
  last_shown_row = row;
  Win32TreePane tree(DetailTreeWindow);
  Win32HexPane hex(HexDumpWindow);
  ShowPacketDetail(list_rows.Row(row).sequence, packet_store, tree, hex, TreeFlags, TreeItems);
}

// The control's item count follows the rows. When rows left the top, the
// selection and the focus move up with their records, and leave with them, as
// they did when the control deleted rows one by one; the row the detail panes
// show moves along, so they are not rebuilt for the same packet. Only the
// items that carry a state are touched: the work does not grow with the list.
void FollowListRows(const ListChanges& changes) {
  const bool rows_left = changes.reset || changes.deleted_top > 0;
  const int selected = rows_left ? ListItemWithState(LVNI_SELECTED) : -1;
  const int focused = rows_left ? ListItemWithState(LVNI_FOCUSED) : -1;
  if (selected >= 0) SetListItemState(selected, 0, LVIS_SELECTED);
  if (focused >= 0) SetListItemState(focused, 0, LVIS_FOCUSED);
  SendMessageA(PacketListWindow, LVM_SETITEMCOUNT, list_rows.RowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (!rows_left) return;
  // After a reset every row has left.
  const int moved_up = changes.reset ? INT_MAX : static_cast<int>(changes.deleted_top);
  auto follow = [&](int row) { return row >= moved_up ? row - moved_up : -1; };
  if (follow(selected) >= 0) SetListItemState(follow(selected), LVIS_SELECTED, LVIS_SELECTED);
  if (follow(focused) >= 0) SetListItemState(follow(focused), LVIS_FOCUSED, LVIS_FOCUSED);
  last_shown_row = last_shown_row >= 0 ? follow(last_shown_row) : -1;
}

void ApplyListChanges(HWND page, ListChangesDelivery& delivery) {
  SendMessageA(PacketListWindow, WM_SETREDRAW, FALSE, 0);
  list_rows.Apply(*delivery.changes);
  FollowListRows(*delivery.changes);
  delivery.rows_after = list_rows.RowCount();
  if (delivery.status_part >= 0) SetStatusText(delivery.status_part, "%s", delivery.status_text);
  // Redraw comes back with the timer. Setting it again would restart it, so a
  // steady flow of hand-overs would keep the list from ever being repainted.
  if (list_redraw_pending || page_closing) return;
  list_redraw_pending = true;
  SetTimer(page, kListRedrawTimer, kListRedrawDelayMs, nullptr);
}

void RedrawList(HWND page) {
  KillTimer(page, kListRedrawTimer);
  list_redraw_pending = false;
  SendMessageA(PacketListWindow, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(PacketListWindow, nullptr, TRUE);
}

// The control asks for a cell it draws, or that LVM_GETITEMTEXTA asked for.
void OnListCellRequest(NMLVDISPINFOA& request) {
  LVITEMA& item = request.item;
  if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
  const ListRowTexts* cells = list_rows.Cells(item.iItem, packet_store);
  const bool known = cells != nullptr && item.iSubItem >= 0 && item.iSubItem < kListColumnCount;
  lstrcpynA(item.pszText, known ? cells->cells[item.iSubItem] : "", item.cchTextMax);
}

void OnTreeExpanded(const NMTREEVIEWA& change) {
  const auto item = reinterpret_cast<TreePane::Item>(change.itemNew.hItem);
  if (change.action == TVE_COLLAPSE) NoteBranchExpansion(TreeFlags, TreeItems, item, false);
  if (change.action == TVE_EXPAND) NoteBranchExpansion(TreeFlags, TreeItems, item, true);
}

// The user's command goes to the capture thread's queue; the state it leads
// to shows at once.
void GiveCommand(LPARAM lparam) {
  const auto value = static_cast<int8_t>(static_cast<uint8_t>(lparam & 0xFF));
  const auto command = static_cast<CaptureRequest>(value);
  if (IsCaptureCommand(value) && capture_parts != nullptr) {
    GiveCaptureCommand(capture_parts->context, command);
  }
  SetStatusText(0, "%s", CaptureStateText(command));
}

// Commands given meanwhile have shown their own state already.
void OnCaptureStopped() {
  if (!capture_control.commands.Pending()) SetStatusText(0, "%s", kStateStopped);
}

void OnCommand(WPARAM wparam, LPARAM lparam) {
  switch (LOWORD(wparam)) {
    case kIdCaptureRequest:
      GiveCommand(lparam);
      break;
    case kIdCaptureStopped:
      OnCaptureStopped();
      break;
    case kIdReloadCaptureSettings:
      ApplyCaptureSettings(capture_control, packet_store);
      break;
  }
}

INT_PTR CALLBACK CapturePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      InitCapturePage(page);
      break;
    case WM_SIZE:
      LayOutPanes(page);
      break;
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      break;
    case WM_TIMER:
      if (wparam == kSelectionTimer) ShowSelectedPacket();
      if (wparam == kListRedrawTimer) RedrawList(page);
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code == TVN_ITEMEXPANDEDA) {
        OnTreeExpanded(*reinterpret_cast<const NMTREEVIEWA*>(lparam));
      }
      if (header->code == LVN_GETDISPINFOA && header->hwndFrom == PacketListWindow) {
        OnListCellRequest(*reinterpret_cast<NMLVDISPINFOA*>(lparam));
      }
      break;
    }
    case kApplyListChangesMessage:
      ApplyListChanges(page, *reinterpret_cast<ListChangesDelivery*>(lparam));
      break;
  }
  return 0;
}

void DestroyPane(HWND& pane) {
  if (pane != nullptr) DestroyWindow(pane);
  pane = nullptr;
}

void KillPageTimers(HWND page) {
  if (page == nullptr) return;
  KillTimer(page, kSelectionTimer);
  KillTimer(page, kListRedrawTimer);
  list_redraw_pending = false;
}

}  // namespace

HWND CreateCapturePage(HWND tab) {
  return CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_CAPTURE_PAGE), tab, CapturePageProc,
                            0);
}

void CloseCapturePage(HWND page) {
  page_closing = true;
  KillPageTimers(page);
  // Commands not yet taken are moot; the wake ends a wait for datagrams at once.
  capture_control.commands.Clear();
  if (capture_control.capture_thread_running.load() == 1) {
    capture_control.capture_thread_running.store(0);
    if (capture_parts != nullptr) capture_parts->source->Wake();
    WaitWithMessageService(CaptureThreadHandle);
    if (CaptureThreadHandle != nullptr) CloseHandle(CaptureThreadHandle);
    CaptureThreadHandle = nullptr;
    CaptureThreadId = 0;
  }
  // The capture thread has ended: nothing fills the store or the panes any more.
  KillPageTimers(page);
  capture_parts.reset();
  list_rows = PacketListRows{};
  packet_store.Destroy();
  DestroyPane(PacketListWindow);
  DestroyPane(DetailTreeWindow);
  DestroyPane(HexDumpWindow);
  if (rich_edit_library != nullptr) FreeLibrary(rich_edit_library);
  rich_edit_library = nullptr;
  TreeViewState::Write(TreeFlags);
}
