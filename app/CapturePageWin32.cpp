// The capture page's window procedure: initialisation in its fixed order, the
// layout in thirds, the user's resizing of the list and the tree, the
// selection check, the expansion-flag bookkeeping, the commands, and the
// teardown.
#include "app/CapturePageWin32.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstdint>
#include <memory>

#include "app/AppTitleWin32.h"
#include "app/CaptureViewWin32.h"
#include "app/MainWindowWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/PaneGeometry.h"
#include "app/TreeViewState.h"
#include "app/resource.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureThread.h"
#include "capture/RawSocketSourceWin32.h"
#include "packet/CaptureRequest.h"
#include "packet/HexDump.h"
#include "packet/PacketList.h"

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

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_THICKFRAME | WS_TABSTOP | LVS_REPORT |
                             LVS_SINGLESEL | LVS_SHOWSELALWAYS;
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
bool list_renumber_pending = false;

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

void ShowSelectedPacket() {
  const int row = static_cast<int>(
      SendMessageA(PacketListWindow, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row == -1 || row == last_shown_row) return;
  last_shown_row = row;
  Win32TreePane tree(DetailTreeWindow);
  Win32HexPane hex(HexDumpWindow);
  ShowPacketDetail(row, packet_store, tree, hex, TreeFlags, TreeItems);
}

// The packet list on the GUI thread, while a batch from the capture thread is
// applied. An emptied list shows no packet, so the next selection of any row
// shows its packet again. Renumbering walks every row; in overwrite mode at a
// full list each batch asks for it, so it is done with the next redraw, once
// for all batches since the last one.
class PageListPane : public Win32ListPane {
 public:
  using Win32ListPane::Win32ListPane;
  void DeleteAllRows() override {
    Win32ListPane::DeleteAllRows();
    last_shown_row = -1;
  }
  void RenumberRows() override { list_renumber_pending = true; }
};

void ApplyListBatch(HWND page, ListBatchDelivery& delivery) {
  PageListPane list(PacketListWindow);
  SendMessageA(PacketListWindow, WM_SETREDRAW, FALSE, 0);
  delivery.batch->ApplyTo(list);
  delivery.rows_after = list.RowCount();
  if (delivery.status_part >= 0) SetStatusText(delivery.status_part, "%s", delivery.status_text);
  // Redraw comes back with the timer. Setting it again would restart it, so a
  // steady flow of batches would keep the list from ever being repainted.
  if (list_redraw_pending) return;
  list_redraw_pending = true;
  SetTimer(page, kListRedrawTimer, kListRedrawDelayMs, nullptr);
}

void RedrawList(HWND page) {
  KillTimer(page, kListRedrawTimer);
  list_redraw_pending = false;
  if (list_renumber_pending) ListRenumberRows(PacketListWindow);
  list_renumber_pending = false;
  SendMessageA(PacketListWindow, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(PacketListWindow, nullptr, TRUE);
}

void OnTreeExpanded(const NMTREEVIEWA& change) {
  const auto item = reinterpret_cast<TreePane::Item>(change.itemNew.hItem);
  if (change.action == TVE_COLLAPSE) NoteBranchExpansion(TreeFlags, TreeItems, item, false);
  if (change.action == TVE_EXPAND) NoteBranchExpansion(TreeFlags, TreeItems, item, true);
}

void StoreCaptureRequest(LPARAM lparam) {
  const auto request = static_cast<int8_t>(static_cast<uint8_t>(lparam & 0xFF));
  capture_control.capture_request.store(request);
  const bool capturing = request == static_cast<int8_t>(CaptureRequest::Capture);
  SetStatusText(0, "%s", capturing ? kStateCapturing : kStateStopped);
}

void OnCommand(WPARAM wparam, LPARAM lparam) {
  switch (LOWORD(wparam)) {
    case kIdCaptureRequest:
      StoreCaptureRequest(lparam);
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
      break;
    }
    case kApplyListBatchMessage:
      ApplyListBatch(page, *reinterpret_cast<ListBatchDelivery*>(lparam));
      break;
  }
  return 0;
}

void DestroyPane(HWND& pane) {
  if (pane != nullptr) DestroyWindow(pane);
  pane = nullptr;
}

}  // namespace

HWND CreateCapturePage(HWND tab) {
  return CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_CAPTURE_PAGE), tab, CapturePageProc,
                            0);
}

void CloseCapturePage(HWND page) {
  if (page != nullptr) {
    KillTimer(page, kSelectionTimer);
    KillTimer(page, kListRedrawTimer);
    list_redraw_pending = list_renumber_pending = false;
  }
  capture_control.capture_request.store(static_cast<int8_t>(CaptureRequest::Idle));
  if (capture_control.capture_thread_running.load() == 1) {
    capture_control.capture_thread_running.store(0);
    WaitWithMessageService(CaptureThreadHandle);
    if (CaptureThreadHandle != nullptr) CloseHandle(CaptureThreadHandle);
    CaptureThreadHandle = nullptr;
    CaptureThreadId = 0;
  }
  // The capture thread has ended: nothing fills the store or the panes any more.
  capture_parts.reset();
  packet_store.Destroy();
  DestroyPane(PacketListWindow);
  DestroyPane(DetailTreeWindow);
  DestroyPane(HexDumpWindow);
  if (rich_edit_library != nullptr) FreeLibrary(rich_edit_library);
  rich_edit_library = nullptr;
  TreeViewState::Write(TreeFlags);
}
