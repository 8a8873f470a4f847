// The GUI thread's wait for a worker thread with message service.
#include "app/MessageServiceWaitWin32.h"

int WaitWithMessageService(HANDLE thread) {
  if (thread == nullptr) return 0;
  for (;;) {
    const DWORD result = WaitForSingleObject(thread, kMessageServiceSliceMs);
    if (result == WAIT_OBJECT_0) return 1;
    if (result != WAIT_TIMEOUT) return 0;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) {
      // The quit message belongs to the message loop that runs after this wait.
      PostQuitMessage(static_cast<int>(msg.wParam));
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
