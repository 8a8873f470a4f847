// The capture page's window procedure (its command part) and its teardown.
#include "app/CapturePageWin32.h"

#include <cstdint>

#include "app/AppTitleWin32.h"
#include "app/MainWindowWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/resource.h"
#include "capture/CaptureRequest.h"
#include "capture/CaptureSettings.h"

HWND CapturePage = nullptr;
CaptureControl capture_control;
PacketStore packet_store;
HANDLE CaptureThreadHandle = nullptr;
DWORD CaptureThreadId = 0;

namespace {

void StoreCaptureRequest(LPARAM lparam) {
  const auto request = static_cast<int8_t>(static_cast<uint8_t>(lparam & 0xFF));
  capture_control.capture_request.store(request);
  const bool capturing = request == static_cast<int8_t>(CaptureRequest::Capture);
  SetStatusText(0, "%s", capturing ? kStateCapturing : kStateStopped);
}

INT_PTR CALLBACK CapturePageProc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_COMMAND) return 0;
  switch (LOWORD(wparam)) {
    case kIdCaptureRequest:
      StoreCaptureRequest(lparam);
      break;
    case kIdReloadCaptureSettings:
      ApplyCaptureSettings(capture_control, packet_store);
      break;
  }
  return 0;
}

}  // namespace

HWND CreateCapturePage(HWND tab) {
  return CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_CAPTURE_PAGE), tab, CapturePageProc,
                            0);
}

void CloseCapturePage(HWND) {
  // Not built yet: the page's initialisation does not create the selection
  // timer (2), the three panes, the RICHED32.DLL module or the tree-view state.
  // When it does, their teardown joins this order: kill the timer first; after
  // the store, destroy the list, tree and hex panes, release the module and
  // write the tree-view state.
  capture_control.capture_request.store(static_cast<int8_t>(CaptureRequest::Idle));
  if (capture_control.capture_thread_running.load() == 1) {
    capture_control.capture_thread_running.store(0);
    WaitWithMessageService(CaptureThreadHandle);
    if (CaptureThreadHandle != nullptr) CloseHandle(CaptureThreadHandle);
    CaptureThreadHandle = nullptr;
    CaptureThreadId = 0;
  }
  // The capture thread has ended: nothing fills the store any more.
  packet_store.Destroy();
}
