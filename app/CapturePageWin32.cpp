// The capture page's window procedure: initialisation in its fixed order, the
// selection check, the expansion-flag bookkeeping, the commands, the packet
// list's hand-overs, and the capture thread's start and end. The page is a
// Unicode dialog: its list and tree notify it in UTF-16 (LVN_GETDISPINFOW,
// TVN_ITEMEXPANDEDW).
#include "app/CapturePageWin32.h"

#include "app/AppTitleWin32.h"
#include "app/CapturePageCommands.h"
#include "app/CaptureViewWin32.h"
#include "app/MainWindowWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/TreeViewState.h"
#include "app/resource.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureThread.h"
#include "capture/RawSocketSourceWin32.h"
#include "log/SettingsPaths.h"
#include "views/PanesWin32.h"
#include "views/HexDump.h"
#include "views/PacketList.h"

CapturePageState capture_page;

// What the capture thread works with; lives from the thread's start to its end.
struct CaptureParts {
  CaptureParts(HWND page, PacketSource* given_source)
      : view(page, capture_page.panes.tree, capture_page.panes.hex),
        source(given_source != nullptr ? given_source : &raw_sockets),
        context{capture_page.control, capture_page.store, *source, view, filter} {
    // Hand edits of config.ini reach the filter through the watcher's notices
    // while the capture thread lives.
    filter.WatchForChanges();
  }
  RawSocketSource raw_sockets;
  WindowCaptureView view;
  PacketSource* source;
  PacketFilter filter{SettingsPaths::Config()};
  CaptureContext context;
};

CapturePageState::CapturePageState() = default;
CapturePageState::~CapturePageState() = default;

namespace {

constexpr UINT_PTR kSelectionTimer = 2;
constexpr UINT kSelectionPeriodMs = 300;

DWORD WINAPI CaptureThreadProc(void* parameter) {
  return static_cast<DWORD>(CaptureThreadMain(*static_cast<CaptureContext*>(parameter)));
}

void StartCaptureThread(HWND page, PacketSource* source) {
  CapturePageState& s = capture_page;
  s.thread_id = 0;
  s.thread = nullptr;
  s.control.capture_thread_running.store(0);
  s.capture = std::make_unique<CaptureParts>(page, source);
  s.control.capture_thread_running.store(1);
  s.thread = CreateThread(nullptr, 0, CaptureThreadProc, &s.capture->context, 0, &s.thread_id);
}

void InitCapturePage(HWND page, PacketSource* source) {
  CapturePageState& s = capture_page;
  s.window = page;
  s.closing = false;
  s.control.commands.Clear();
  s.control.capture_request.store(static_cast<int8_t>(CaptureRequest::Idle));
  s.list.shown_row = -1;
  TreeViewState::Read(s.tree_flags);
  s.panes = CreateCapturePanes(page);
  if (s.store.Init() == 0) return;
  ApplyCaptureSettings(s.control, s.store);
  StartCaptureThread(page, source);
  if (s.thread == nullptr) return;
  SetTimer(page, kSelectionTimer, kSelectionPeriodMs, nullptr);
}

void ShowSelectedPacket() {
  CapturePageState& s = capture_page;
  const int row = SelectedListRow(s.panes.list);
  if (row == -1 || row == s.list.shown_row || row >= s.list.rows.RowCount()) return;
  s.list.shown_row = row;
  Win32TreePane tree(s.panes.tree);
  Win32HexPane hex(s.panes.hex);
  const PacketStore& store = s.store;
  ShowPacketDetail(s.list.rows.Row(row).sequence, store, tree, hex, s.tree_flags, s.tree_items);
}

void OnPacketListHandover(HWND page, const PacketListChanges& changes) {
  CapturePageState& s = capture_page;
  ApplyPacketListChanges(page, s.panes.list, s.list, changes, s.closing);
  if (!changes.counts.empty()) SetStatusText(1, "%s", changes.counts.c_str());
}

void OnTreeExpanded(const NMTREEVIEWW& change) {
  const auto item = reinterpret_cast<TreePane::Item>(change.itemNew.hItem);
  CapturePageState& s = capture_page;
  if (change.action == TVE_COLLAPSE) NoteBranchExpansion(s.tree_flags, s.tree_items, item, false);
  if (change.action == TVE_EXPAND) NoteBranchExpansion(s.tree_flags, s.tree_items, item, true);
}

// A dialog procedure answers a notification through DWLP_MSGRESULT.
INT_PTR Answer(HWND page, LRESULT result) {
  SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR OnNotify(HWND page, const NMHDR& header, LPARAM lparam) {
  if (header.code == TVN_ITEMEXPANDEDW) {
    OnTreeExpanded(*reinterpret_cast<const NMTREEVIEWW*>(lparam));
    return FALSE;
  }
  if (header.hwndFrom != capture_page.panes.list) return FALSE;
  const PacketListWindowSide& list = capture_page.list;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      const PacketStore& store = capture_page.store;
      AnswerListCellRequest(capture_page.list, store, *reinterpret_cast<NMLVDISPINFOW*>(lparam));
      return FALSE;
    }
    case LVN_ODFINDITEMA: {
      const auto& find = *reinterpret_cast<const NMLVFINDITEMA*>(lparam);
      return Answer(page, AnswerListFindRequest(list, find.lvfi, find.iStart));
    }
    case LVN_ODFINDITEMW: {
      const auto& find = *reinterpret_cast<const NMLVFINDITEMW*>(lparam);
      return Answer(page, AnswerListFindRequest(list, find.lvfi, find.iStart));
    }
  }
  return FALSE;
}

// The user's command goes to the capture thread's queue; the state it leads
// to shows at once.
void GiveCommand(LPARAM lparam) {
  const auto value = static_cast<int8_t>(static_cast<uint8_t>(lparam & 0xFF));
  // A value that is no command is dropped whole: its state text would
  // contradict what the capture thread does.
  if (!IsCaptureCommand(value)) return;
  const auto command = static_cast<CaptureRequest>(value);
  if (capture_page.capture != nullptr) GiveCaptureCommand(capture_page.capture->context, command);
  SetStatusText(0, "%s", CaptureStateText(command));
}

// Commands given meanwhile have shown their own state already.
void OnCaptureStopped() {
  if (!capture_page.control.commands.Pending()) SetStatusText(0, "%s", kStateStopped);
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
      ApplyCaptureSettings(capture_page.control, capture_page.store);
      break;
  }
}

INT_PTR CALLBACK CapturePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      InitCapturePage(page, reinterpret_cast<PacketSource*>(lparam));
      break;
    case WM_SIZE:
      LayOutCapturePanes(page, capture_page.panes);
      break;
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      break;
    case WM_TIMER:
      if (wparam == kSelectionTimer) ShowSelectedPacket();
      if (wparam == kListRedrawTimer)
        RedrawPacketList(page, capture_page.panes.list, capture_page.list);
      break;
    case WM_NOTIFY:
      return OnNotify(page, *reinterpret_cast<const NMHDR*>(lparam), lparam);
    case kPacketListHandoverMessage:
      OnPacketListHandover(page, *reinterpret_cast<const PacketListChanges*>(lparam));
      break;
  }
  return 0;
}

void KillPageTimers(HWND page) {
  if (page == nullptr) return;
  KillTimer(page, kSelectionTimer);
  KillTimer(page, kListRedrawTimer);
  capture_page.list.redraw_pending = false;
}

void StopCaptureThread() {
  CapturePageState& s = capture_page;
  if (s.control.capture_thread_running.load() != 1) return;
  s.control.capture_thread_running.store(0);
  if (s.capture != nullptr) s.capture->source->Wake();
  WaitWithMessageService(s.thread);
  if (s.thread != nullptr) CloseHandle(s.thread);
  s.thread = nullptr;
  s.thread_id = 0;
}

}  // namespace

HWND CreateCapturePage(HWND tab, PacketSource* source) {
  return CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_CAPTURE_PAGE), tab, CapturePageProc,
                            reinterpret_cast<LPARAM>(source));
}

void CloseCapturePage(HWND page) {
  CapturePageState& s = capture_page;
  s.closing = true;
  KillPageTimers(page);
  // Commands not yet taken are moot; the wake ends a wait for datagrams at once.
  s.control.commands.Clear();
  StopCaptureThread();
  // The capture thread has ended: nothing fills the store or the panes any more.
  KillPageTimers(page);
  s.capture.reset();
  s.list.rows = PacketListRows{};
  s.store.Destroy();
  DestroyCapturePanes(s.panes);
  TreeViewState::Write(s.tree_flags);
}
