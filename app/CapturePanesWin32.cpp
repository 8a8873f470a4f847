// Creating, subclassing and laying out the capture page's panes. The rich edit
// library is loaded from the system folder by name, never from the program's
// folder; the panes' face is one that shows Japanese here (views/FontsWin32).
#include "app/CapturePanesWin32.h"

#include <commctrl.h>
#include <richedit.h>

#include "app/AppTitleWin32.h"
#include "app/PaneGeometry.h"
#include "app/resource.h"
#include "views/FontsWin32.h"
#include "views/HexDump.h"
#include "views/PanesWin32.h"

namespace {

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
// the cells it draws (LVN_GETDISPINFOW), so a row costs nothing until shown.
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

// What the subclassed panes need between messages.
struct PaneState {
  CapturePanes panes;
  HFONT font = nullptr;  // of the list and the tree: created once, kept for the process
  HMODULE rich_edit_library = nullptr;
  WNDPROC previous_list_proc = nullptr;
  WNDPROC previous_tree_proc = nullptr;
  bool layout_in_progress = false;
};
PaneState state;

HFONT PaneFont() {
  if (state.font == nullptr) {
    state.font = CreateJapaneseFont(12, "ＭＳ ゴシック", true);
  }
  return state.font;
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
  const TreeRefit refit = RefitAroundTree(ToPaneRect(client), ScreenRect(state.panes.list),
                                          ScreenRect(tree), ScreenRect(state.panes.hex));
  if (refit.moves_list) Move(state.panes.list, refit.list);
  Move(tree, refit.tree);
  if (refit.moves_hex) Move(state.panes.hex, refit.hex);
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) {
    return ListHitTest(static_cast<int>(DefWindowProcW(list, message, wparam, lparam)));
  }
  return CallWindowProcW(state.previous_list_proc, list, message, wparam, lparam);
}

LRESULT CALLBACK TreeProc(HWND tree, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) {
    return TreeHitTest(static_cast<int>(DefWindowProcW(tree, message, wparam, lparam)));
  }
  if (message == WM_SIZE && !state.layout_in_progress) RefitNeighbours(tree);
  return CallWindowProcW(state.previous_tree_proc, tree, message, wparam, lparam);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

HWND CreatePane(DWORD extended_style, const wchar_t* window_class, DWORD style, HWND page, int id) {
  return CreateWindowExW(extended_style, window_class, L"", style, 0, 0, 0, 0, page,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance, nullptr);
}

HWND CreatePacketList(HWND page) {
  HWND list = CreatePane(0, WC_LISTVIEWW, kListStyle, page, IDC_PACKET_LIST);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExtendedStyle, kListExtendedStyle);
  int position = 0;
  for (const ListColumn& column : kListColumns) {
    ListInsertColumn(list, column.width, column.header, position++);
  }
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(PaneFont()), TRUE);
  state.previous_list_proc = Subclass(list, ListProc);
  return list;
}

HWND CreateDetailTree(HWND page) {
  HWND tree = CreatePane(0, WC_TREEVIEWW, kTreeStyle, page, IDC_DETAIL_TREE);
  SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(PaneFont()), TRUE);
  state.previous_tree_proc = Subclass(tree, TreeProc);
  return tree;
}

HWND CreateHexPane(HWND page) {
  state.rich_edit_library = LoadLibraryExW(L"RICHED32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  HWND hex = CreatePane(WS_EX_CLIENTEDGE, L"RICHEDIT", kHexStyle, page, IDC_HEX_PANE);
  SendMessageW(hex, EM_GETEVENTMASK, 0, 0);
  SendMessageW(hex, EM_SETEVENTMASK, 0, kHexEventMask);
  SendMessageW(hex, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(hex, EM_EXLIMITTEXT, 0, kHexTextLimit);
  return hex;
}

void DestroyPane(HWND& pane) {
  if (pane != nullptr) DestroyWindow(pane);
  pane = nullptr;
}

}  // namespace

CapturePanes CreateCapturePanes(HWND page) {
  // Each pane is known to the subclass procedures before its first message.
  state.panes = CapturePanes{};
  state.panes.list = CreatePacketList(page);
  state.panes.tree = CreateDetailTree(page);
  state.panes.hex = CreateHexPane(page);
  return state.panes;
}

void LayOutCapturePanes(HWND page, const CapturePanes& panes) {
  if (panes.list == nullptr) return;
  state.layout_in_progress = true;
  RECT client{};
  GetClientRect(page, &client);
  const PaneThirds thirds = LayoutInThirds(ToPaneRect(client));
  Move(panes.list, thirds.list);
  Move(panes.tree, thirds.tree);
  Move(panes.hex, thirds.hex);
  state.layout_in_progress = false;
}

void DestroyCapturePanes(CapturePanes& panes) {
  DestroyPane(panes.list);
  DestroyPane(panes.tree);
  DestroyPane(panes.hex);
  state.panes = CapturePanes{};
  if (state.rich_edit_library != nullptr) FreeLibrary(state.rich_edit_library);
  state.rich_edit_library = nullptr;
}
