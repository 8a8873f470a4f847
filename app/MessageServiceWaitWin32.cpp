// The GUI thread's wait for a worker thread with message service.
#include "app/MessageServiceWaitWin32.h"

int WaitWithMessageService(HANDLE thread) {
  if (thread == nullptr) return 0;
  ULONGLONG slice_end = GetTickCount64() + kMessageServiceSliceMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < slice_end ? static_cast<DWORD>(slice_end - now) : 0;
    const DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0) return 1;
    MSG msg;
    if (result == WAIT_OBJECT_0 + 1) {
      // Looking at the queue delivers the sent messages; posted ones wait for
      // the end of the slice.
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      if (GetTickCount64() < slice_end) continue;
    } else if (result != WAIT_TIMEOUT) {
      return 0;
    }
    slice_end = GetTickCount64() + kMessageServiceSliceMs;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) {
      // The quit message belongs to the message loop that runs after this wait.
      PostQuitMessage(static_cast<int>(msg.wParam));
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
