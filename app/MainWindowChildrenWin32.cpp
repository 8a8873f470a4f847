// The main window's initialisation, its children (tab control with the capture
// page, toolbar, status bar, progress bar) and their layout. The status texts
// go to the bar in UTF-16 (SB_SETTEXTW), converted from code page 932.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "app/AppTitleWin32.h"
#include "app/CapturePageCommands.h"
#include "app/CapturePageWin32.h"
#include "app/IdleThreadWin32.h"
#include "app/MainWindowWin32.h"
#include "app/ShutdownWin32.h"
#include "app/resource.h"
#include "log/LogWriter.h"
#include "log/WideText.h"

HWND TabControl = nullptr;
HWND Toolbar = nullptr;
HWND StatusBar = nullptr;
HWND ProgressBarWindow = nullptr;

namespace {

// Tab controls, bars (toolbar, status bar, tooltips) and the IP-address control.
constexpr DWORD kCommonControlClasses = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_INTERNET_CLASSES;
static_assert(kCommonControlClasses == 0x80C);

// State, counts, progress bar, and at the right end the address being
// captured; the progress bar keeps a width of its own in a narrow window.
constexpr int kStateEdge = 150, kCountsEdge = 500;
constexpr int kAddressPartWidth = 150, kLeastProgressWidth = 60;
constexpr int kProgressPart = 2;

TBBUTTON Button(int image, int command) {
  TBBUTTON button{};
  button.iBitmap = image;
  button.idCommand = command;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = TBSTYLE_BUTTON;
  return button;
}

TBBUTTON Separator() {
  TBBUTTON separator{};
  separator.fsStyle = TBSTYLE_SEP;
  return separator;
}

void InsertButton(int position, const TBBUTTON& button) {
  SendMessageW(Toolbar, TB_INSERTBUTTONW, position, reinterpret_cast<LPARAM>(&button));
}

void CreateTabAndPage(HWND main, PacketSource* source) {
  TabControl = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                               0, 0, 0, main, reinterpret_cast<HMENU>(IDC_TAB), AppInstance,
                               nullptr);
  SendMessageW(TabControl, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  wchar_t caption[] = L"Packet Capture";
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  SendMessageW(TabControl, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  HWND page = CreateCapturePage(TabControl, source);
  ShowWindow(page, SW_SHOW);
  CurrentPage = page;
}

void CreateToolbar(HWND main) {
  TBBUTTON own_pictures[] = {Button(0, IDT_CAPTURE_START), Button(1, IDT_CAPTURE_STOP),
                             Button(2, IDT_DELETE_ALL), Button(3, IDT_SAVE_BINARY),
                             Button(4, IDT_SAVE_TEXT)};
  // The entry size is the platform's TBBUTTON: 20 bytes on 32-bit Windows, 32 on 64-bit.
  Toolbar =
      CreateToolbarEx(main, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR, 5, AppInstance,
                      IDB_TOOLBAR, own_pictures, 5, 0, 0, 0, 0, sizeof(TBBUTTON));
  TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
  const int base =
      static_cast<int>(SendMessageW(Toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard)));
  InsertButton(5, Button(base + STD_FILEOPEN, IDT_OPEN));
  InsertButton(6, Button(base + STD_PROPERTIES, IDT_FILTER_SETTINGS));
  InsertButton(3, Separator());
  InsertButton(6, Separator());
  InsertButton(8, Separator());
}

void SetStatusParts(int width) {
  const int edges[] = {kStateEdge, kCountsEdge,
                       std::max(kCountsEdge + kLeastProgressWidth, width - kAddressPartWidth), -1};
  SendMessageW(StatusBar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void CreateStatusBar(HWND main) {
  StatusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | WS_DLGFRAME | CCS_BOTTOM, L"", main,
                                  IDC_STATUS_BAR);
  RECT client{};
  GetClientRect(main, &client);
  SetStatusParts(client.right - client.left);
}

RECT ProgressPartRect() {
  RECT part{};
  SendMessageW(StatusBar, SB_GETRECT, kProgressPart, reinterpret_cast<LPARAM>(&part));
  return part;
}

void CreateProgressBar() {
  const RECT part = ProgressPartRect();
  ProgressBarWindow =
      CreateWindowExW(0, PROGRESS_CLASSW, L"ProgressBar", WS_CHILD | WS_VISIBLE, part.left, part.top,
                      part.right - part.left, part.bottom - part.top, StatusBar,
                      reinterpret_cast<HMENU>(IDC_PROGRESS_BAR), AppInstance, nullptr);
}

int WindowHeight(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect.bottom - rect.top;
}

}  // namespace

int InitMainWindow(HWND window, PacketSource* source) {
  ArmShutdownSequence();
  LogWriter::Init();
  INITCOMMONCONTROLSEX classes{sizeof(classes), kCommonControlClasses};
  InitCommonControlsEx(&classes);
  CreateTabAndPage(window, source);
  CreateToolbar(window);
  CreateStatusBar(window);
  SetStatusText(0, "%s", kStateStopped);
  CreateProgressBar();
  return StartIdleThread(window);
}

void LayoutMainWindow(HWND window, WPARAM wparam, LPARAM lparam) {
  SendMessageW(Toolbar, TB_AUTOSIZE, 0, 0);
  const int toolbar_height = WindowHeight(Toolbar);
  SendMessageW(StatusBar, WM_SIZE, wparam, lparam);
  SetStatusParts(LOWORD(lparam));
  const int status_height = WindowHeight(StatusBar);
  const RECT part = ProgressPartRect();
  MoveWindow(ProgressBarWindow, part.left, part.top, part.right - part.left, part.bottom - part.top,
             TRUE);

  RECT display{};
  GetClientRect(window, &display);
  SendMessageW(TabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  const int width = LOWORD(lparam);
  const int height = HIWORD(lparam);
  // The status bar overlaps the bottom of the tab control; the page stops above it.
  MoveWindow(TabControl, 0, toolbar_height, width, height - toolbar_height, TRUE);
  MoveWindow(capture_page.window, display.left, display.top, display.right - display.left,
             (display.bottom - display.top) - toolbar_height - status_height, TRUE);
}

void SetStatusText(int part, const char* format, ...) {
  char text[1024] = {};
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  SendMessageW(StatusBar, SB_SETTEXTW, part,
               reinterpret_cast<LPARAM>(WideFromCp932(text).c_str()));
}
