// The main window's procedure: commands, notifications, closing and destruction.
// It is a Unicode window: its children then speak UTF-16 to it (the toolbar's
// tooltips ask with TTN_NEEDTEXTW), and every text it shows is converted from
// code page 932 here rather than through the system's code page.
#include "app/MainWindowWin32.h"

#include <commctrl.h>

#include <cstdint>
#include <iterator>

#include "app/AboutDialogWin32.h"
#include "app/AppTitleWin32.h"
#include "app/CaptureAddressDialogWin32.h"
#include "app/CapturePageCommands.h"
#include "app/CapturePageWin32.h"
#include "app/ShellCommands.h"
#include "app/ShutdownWin32.h"
#include "app/resource.h"
#include "config/ConfigFile.h"
#include "config/FilterDialogWin32.h"
#include "log/WideText.h"
#include "views/WideTextsWin32.h"

HWND MainWindow = nullptr;
HWND CurrentPage = nullptr;

namespace {

void OnCreate(HWND window, const CREATESTRUCTW& creation) {
  if (InitMainWindow(window, static_cast<PacketSource*>(creation.lpCreateParams))) return;
  ShowMessageBox(window, "初期化に失敗しました", "強制終了", MB_OK | MB_ICONWARNING);
  ShutdownSequence(window);
  PostQuitMessage(0);
}

// Store limit and interval are applied on request; the filter reads the
// protocol switches and rules for every packet by itself.
void RunFilterSettings(HWND window) {
  FilterSettings settings = ConfigFile::Load();
  if (RunFilterDialog(window, settings) != 1) return;
  SendMessageW(capture_page.window, WM_COMMAND, MAKEWPARAM(kIdReloadCaptureSettings, 0), 0);
}

void OnCommand(HWND window, int command_id) {
  CaptureRequest request;
  if (CaptureRequestForCommand(command_id, request)) {
    SendMessageW(capture_page.window, WM_COMMAND, MAKEWPARAM(kIdCaptureRequest, 0),
                 static_cast<LPARAM>(static_cast<int8_t>(request)));
    return;
  }
  switch (command_id) {
    case IDM_FILTER_SETTINGS:
    case IDT_FILTER_SETTINGS:
      RunFilterSettings(window);
      break;
    case IDM_CAPTURE_ADDRESS:
      RunCaptureAddressDialog(window);
      break;
    case IDM_ABOUT:
      RunAboutDialog(window);
      break;
    case IDM_EXIT:
      SendMessageW(window, WM_CLOSE, 0, 0);
      break;
  }
}

// Copies a toolbar button's tooltip into the request; other ids get only the
// instance field. The tooltips of this Unicode window ask in UTF-16; a narrow
// request gets the code page 932 text.
void OnTooltipRequest(NMTTDISPINFOW& request) {
  request.hinst = AppInstance;
  const char* text = ToolbarTooltip(static_cast<int>(request.hdr.idFrom));
  if (text == nullptr) return;
  CopyWideFromCp932(text, request.szText, static_cast<int>(std::size(request.szText)));
}

void OnTooltipRequest(NMTTDISPINFOA& request) {
  request.hinst = AppInstance;
  const char* text = ToolbarTooltip(static_cast<int>(request.hdr.idFrom));
  if (text == nullptr) return;
  lstrcpynA(request.szText, text, sizeof(request.szText));
}

void OnTabChange(HWND tab) {
  if (SendMessageW(tab, TCM_GETCURSEL, 0, 0) != 0) return;
  ShowWindow(capture_page.window, SW_SHOW);
  CurrentPage = capture_page.window;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lparam));
      return 0;
    case WM_SIZE:
      LayoutMainWindow(window, wparam, lparam);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->code == TCN_SELCHANGE) {
        OnTabChange(header->hwndFrom);
        return 0;
      }
      if (header->code == TTN_NEEDTEXTW) {
        OnTooltipRequest(*reinterpret_cast<NMTTDISPINFOW*>(lparam));
        return 0;
      }
      if (header->code == TTN_NEEDTEXTA) {
        OnTooltipRequest(*reinterpret_cast<NMTTDISPINFOA*>(lparam));
        return 0;
      }
      break;
    }
    case WM_COMMAND:
      OnCommand(window, LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      if (ShowMessageBox(window, "終了しますか？", "終了確認", MB_OKCANCEL | MB_ICONQUESTION) ==
          IDOK) {
        DestroyWindow(window);
      }
      return 0;
    case WM_ENDSESSION:
      // The session is ending: no question. A log-off that was cancelled
      // (wParam FALSE) leaves the program running.
      if (wparam != FALSE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ShutdownSequence(window);
      CurrentPage = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
